// The generator fed with odd options, odd defaults and odd sites through a whole recompute pass,
// and optionally with odd contact instants. The input is words separated by blanks:
//   eclipse lat N|S lon E|W height deltaT manual interval beads ring annular maxExposure quality iso
//   aperture [C1 C2 Mx C3 C4 type]
// A word left out keeps the exposure window's start choice or the default site.
#include <charconv>
#include <cmath>
#include <sstream>

#include "circumstances/recompute.h"
#include "eclipse_data/datetext.h"
#include "exposure/generator.h"
#include "exposure/table_file.h"
#include "fuzz_support.h"

using namespace zelto;
using zelto::fuzz::Require;

namespace {

class Words {
  public:
    explicit Words(std::string_view text) : in_(std::string(text)) {}
    std::string Next(const std::string& fallback) {
        std::string word;
        return in_ >> word ? word : fallback;
    }
    int Integer(int fallback) {
        const std::string word = Next({});
        int value = fallback;
        std::from_chars(word.data(), word.data() + word.size(), value);
        return value;
    }
    bool More() { return !(in_ >> std::ws).eof(); }

  private:
    std::istringstream in_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Words words(fuzz::Text(data, size));
    EclipseState eclipse;
    eclipse.EclipseCatalog = BuiltInCatalog();
    eclipse.SelectedEclipse = words.Integer(51);
    SiteInputs site;
    site.Lati = words.Next(site.Lati);
    site.NS = words.Next(site.NS);
    site.Long = words.Next(site.Long);
    site.EW = words.Next(site.EW);
    site.Height = words.Next(site.Height);
    const DeltaTEdit deltaT = ReadDeltaTEdit(words.Next(site.DeltaTText));
    site.DeltaTText = deltaT.text;
    eclipse.ManualDeltaT = deltaT.manualDeltaT;
    eclipse.ManualDeltaTOn = words.Integer(0) == 1;

    ExposureOptions options;
    options.PartialInterval = words.Integer(options.PartialInterval);
    options.BeadsSpan = words.Integer(options.BeadsSpan);
    options.BrokenRingSpan = words.Integer(options.BrokenRingSpan);
    options.AnnularInterval = words.Integer(options.AnnularInterval);
    options.MaxExposure = words.Integer(options.MaxExposure);
    CameraDefaults defaults;
    defaults.ImageQuality = words.Next(defaults.ImageQuality);
    defaults.ISO = words.Next(defaults.ISO);
    defaults.Aperture = words.Next(defaults.Aperture);

    ContactState contacts;
    TimeSource time;
    time.CurrentJD = 2460409.25;
    RecomputePass(site, eclipse, contacts, time);
    GeneratorInput input = GeneratorInputForSite(contacts, eclipse, options, defaults);
    const bool solverContacts = !words.More();
    if (!solverContacts) {
        for (double& jd : input.ContactJD) {
            const std::string word = words.Next("0");
            std::from_chars(word.data(), word.data() + word.size(), jd);
        }
        input.VisibilityCode = VisibilityCode(input.ContactJD);
        input.Place.LocalType = words.Next("t")[0];
    }

    ExposureTable table(0);
    const GeneratorResult result = CreateExposureTable(input, table);
    if (!result.Created) {
        Require(table.RowCount() == 0, "a refused input leaves the table alone");
        return 0;
    }
    Require(table.RowCount() < 4000, "at most a day of rows on either side");
    for (const ExposureRow& row : table.Rows()) {
        for (const std::string& cell : row) Require(CellFitsFile(cell), "no cell the file cannot carry");
        if (solverContacts)
            Require(ReadDateStrJD(row[kColumnDateTime]).has_value(), "every row's date-time reads");
    }
    return 0;
}
