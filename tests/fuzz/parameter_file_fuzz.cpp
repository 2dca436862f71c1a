// The parameter file: every value it loads lies within its range, and a save and a reload keep it.
#include "circumstances/parameter_file.h"
#include "circumstances/recompute.h"
#include "circumstances/site.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/number_text.h"
#include "fuzz_support.h"

using namespace zelto;
using zelto::fuzz::Require;

namespace {

double AngleOf(const std::string& text) {
    const SexagesimalReading reading = SexagesimalValue(text);
    Require(reading.code == 0, "a loaded angle reads");
    return reading.value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> lines = fuzz::Lines(fuzz::Text(data, size));
    // The file's own first line is taken as this program's version, so the fuzzer reaches the rest.
    const std::string version = lines.empty() ? std::string() : lines[0];
    SiteInputs site;
    EclipseState eclipse;
    eclipse.EclipseCatalog = BuiltInCatalog();
    if (ReadParameterLines(lines, version, site, eclipse) != ParameterFileResult::Read) return 0;

    Require(eclipse.SelectedEclipse >= 1 && eclipse.SelectedEclipse <= kEclipseCount, "eclipse 1 to 224");
    Require(CleanAngleText(site.Lati) == site.Lati && AngleOf(site.Lati) <= 90, "latitude 0 to 90");
    Require(CleanAngleText(site.Long) == site.Long && AngleOf(site.Long) <= 180, "longitude 0 to 180");
    Require(CleanHeightText(site.Height) == site.Height, "a height the edit keeps");
    const DeltaTEdit deltaT = ReadDeltaTEdit(site.DeltaTText);
    Require(deltaT.text == site.DeltaTText && deltaT.applied == eclipse.ManualDeltaTUsable &&
                (!deltaT.applied || deltaT.manualDeltaT == eclipse.ManualDeltaT),
            "the DeltaT the edit gives");
    Require(eclipse.ManualDeltaT >= 0 && eclipse.ManualDeltaT <= kMaxManualDeltaT, "DeltaT 0 to 500 s");

    SiteInputs again;
    EclipseState eclipseAgain;
    ReadParameterLines(fuzz::Lines(ParameterFileText(version, site, eclipse)), version, again, eclipseAgain);
    Require(again.Lati == site.Lati && again.Long == site.Long && again.NS == site.NS && again.EW == site.EW,
            "the angles survive a save and a reload");
    Require(ParseDecimal(again.Height).value_or(0) == ParseDecimal(site.Height).value_or(0),
            "the height survives a save and a reload");
    Require(again.DeltaTText == site.DeltaTText && eclipseAgain.ManualDeltaT == eclipse.ManualDeltaT &&
                eclipseAgain.ManualDeltaTOn == eclipse.ManualDeltaTOn,
            "DeltaT survives a save and a reload");
    Require(eclipseAgain.SelectedEclipse == eclipse.SelectedEclipse,
            "the eclipse survives a save and a reload");

    // The loaded site goes through a whole recompute pass.
    ContactState contacts;
    TimeSource time;
    time.CurrentJD = 2460409.25;
    RecomputePass(site, eclipse, contacts, time);
    return 0;
}
