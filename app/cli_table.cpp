// zelto-cli table: the exposure table that "Create Exposure Table" and "&Save Exposure Table" would
// write for one site and one set of options.
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <iostream>
#include <string>

#include "app/cli_commands.h"
#include "camera/proptables.h"
#include "circumstances/recompute.h"
#include "circumstances/site.h"
#include "circumstances/site_angle.h"
#include "eclipse_data/number_text.h"
#include "exposure/generator.h"
#include "exposure/table_file.h"
#include "state/variables.h"

namespace zelto::cli {

namespace {

constexpr int kExitNoTable = 3;
constexpr int kExitWriteFailed = 1;
constexpr const char* kUsage =
    "usage: table --eclipse N --lat LAT --lon LON [--height M] [--deltat S] [--interval 1..9] "
    "[--beads 6|8|10] [--ring 6|8|10] [--annular-interval 5|10|15|20|25|30] [--max-exposure 4|8] "
    "[--quality NAME] [--iso NAME] [--aperture NAME] [-o FILE]";

struct TableRequest {
    int eclipse = 0;
    double latitude = 0;       // degrees, north positive
    double longitude = 0;      // degrees, east positive
    std::string height = "0";  // as zelto-cli circumstances: sea level unless given
    bool manualDeltaT = false;
    double deltaT = 0;
    ExposureOptions options;
    CameraDefaults defaults;
    std::string output;  // empty: standard output
};

// A whole number that must be one of `allowed`.
bool ReadChoice(const std::string& value, std::initializer_list<int> allowed, int& target) {
    const auto number = ParseInteger(value);
    if (!number) return false;
    for (int choice : allowed) {
        if (*number == choice) {
            target = choice;
            return true;
        }
    }
    return false;
}

// Reads the arguments; on an error prints its one line and returns false with `exitCode` set.
bool ReadTableRequest(const Arguments& args, TableRequest& request, int& exitCode) {
    bool haveEclipse = false, haveLat = false, haveLon = false;
    const auto fail = [&exitCode](const std::string& message) {
        exitCode = UsageError("table: " + message);
        return false;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) {
            if (option.rfind("-", 0) != 0) return fail(std::string("unknown argument '") + option + "'");
            return fail(option + " needs a value");
        }
        const std::string& value = args[++i];
        if (option == "--eclipse") {
            const auto number = ParseInteger(value);
            if (!number || *number < 1 || *number > kEclipseCount)
                return fail("eclipse must be a number from 1 to 224, not '" + value + "'");
            request.eclipse = static_cast<int>(*number);
            haveEclipse = true;
        } else if (option == "--lat") {
            const auto lat = ParseSiteAngle(value, SiteAngleKind::kLatitude);
            if (!lat || std::fabs(*lat) > 90) return fail("unreadable latitude '" + value + "'");
            request.latitude = *lat;
            haveLat = true;
        } else if (option == "--lon") {
            const auto lon = ParseSiteAngle(value, SiteAngleKind::kLongitude);
            if (!lon || std::fabs(*lon) > 180) return fail("unreadable longitude '" + value + "'");
            request.longitude = *lon;
            haveLon = true;
        } else if (option == "--height") {
            // The height edit holds metres from -500 to 25000; the file keeps the text as given.
            if (CleanHeightText(value).empty() || Trimmed(value) != value)
                return fail("height must be metres from -500 to 25000, not '" + value + "'");
            request.height = value;
        } else if (option == "--deltat") {
            const auto deltaT = ParseDecimal(value);
            if (!deltaT || *deltaT < 0 || *deltaT > kMaxManualDeltaT)
                return fail("DeltaT must be seconds from 0 to 500, not '" + value + "'");
            request.deltaT = *deltaT;
            request.manualDeltaT = true;
        } else if (option == "--interval") {
            if (!ReadChoice(value, {1, 2, 3, 4, 5, 6, 7, 8, 9}, request.options.PartialInterval))
                return fail("interval must be 1 to 9 minutes, not '" + value + "'");
        } else if (option == "--beads") {
            if (!ReadChoice(value, {6, 8, 10}, request.options.BeadsSpan))
                return fail("beads must be 6, 8 or 10 seconds, not '" + value + "'");
        } else if (option == "--ring") {
            if (!ReadChoice(value, {6, 8, 10}, request.options.BrokenRingSpan))
                return fail("ring must be 6, 8 or 10 seconds, not '" + value + "'");
        } else if (option == "--annular-interval") {
            if (!ReadChoice(value, {5, 10, 15, 20, 25, 30}, request.options.AnnularInterval))
                return fail("annular-interval must be 5, 10, 15, 20, 25 or 30 seconds, not '" + value + "'");
        } else if (option == "--max-exposure") {
            if (!ReadChoice(value, {4, 8}, request.options.MaxExposure))
                return fail("max-exposure must be 4 or 8 seconds, not '" + value + "'");
        } else if (option == "--quality" || option == "--iso" || option == "--aperture") {
            // A comma or line end would split the row in the file.
            if (value.find_first_of(",\r\n") != std::string::npos)
                return fail(option + " must not hold a comma or line end");
            // A name the run could not turn into a camera setting would fail at the eclipse.
            const int kind = option == "--quality" ? kKindImageQuality
                             : option == "--iso"   ? kKindISO
                                                   : kKindAv;
            if (!KnownSettingName(kind, Trimmed(value)))
                return fail(option + " '" + value + "' is not a name the camera tables know; known names: " +
                            KnownSettingNamesText(kind));
            std::string& target = option == "--quality" ? request.defaults.ImageQuality
                                  : option == "--iso"   ? request.defaults.ISO
                                                        : request.defaults.Aperture;
            target = value;
        } else if (option == "-o") {
            if (value.empty()) return fail("-o needs a file name");
            request.output = value;
        } else {
            return fail("unknown argument '" + option + "'");
        }
    }
    if (!haveEclipse || !haveLat || !haveLon) {
        exitCode = UsageError(kUsage);
        return false;
    }
    return true;
}

bool WriteStandardOutput(const std::string& text) {
    // Standard output passes bytes unchanged (main): the table's text carries its own CR LF.
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
}

}  // namespace

int TableCommand(const Arguments& args) {
    TableRequest request;
    int exitCode = 0;
    if (!ReadTableRequest(args, request, exitCode)) return exitCode;

    // The main window's state as the site panel would hold it: magnitudes with 4 decimals and the
    // hemisphere lists, the height text as typed.
    SharedVariables& shared = Shared();
    SelectEclipse(shared.eclipse, request.eclipse, "");
    if (request.manualDeltaT) {
        shared.eclipse.ManualDeltaTOn = true;
        shared.eclipse.ManualDeltaT = request.deltaT;
        shared.eclipse.DeltaT = request.deltaT;
        UpdateGreatestEclipse(shared.eclipse);
    }
    shared.site.Lati = FixedText(std::fabs(request.latitude), 4);
    shared.site.NS = request.latitude < 0 ? "S" : "N";
    shared.site.Long = FixedText(std::fabs(request.longitude), 4);
    shared.site.EW = request.longitude < 0 ? "W" : "E";
    shared.site.Height = request.height;
    RecomputePass(shared.site, shared.eclipse, shared.contacts, shared.time);

    const GeneratorInput input =
        GeneratorInputForSite(shared.contacts, shared.eclipse, request.options, request.defaults);
    ExposureTable table;
    if (!CreateExposureTable(input, table).Created) {
        std::cerr << "zelto-cli: table: no exposure table at this site: "
                  << NoTableReason(input.Place.LocalType, input.VisibilityCode) << '\n';
        return kExitNoTable;
    }

    const TableFileSite site = TableSiteOf(shared.site, request.eclipse);
    if (request.output.empty()) {
        if (!WriteStandardOutput(ExposureTableText(site, table))) {
            std::cerr << "zelto-cli: table: cannot write to standard output\n";
            return kExitWriteFailed;
        }
        return 0;
    }
    const TableFileSaving saving = SaveExposureTable(request.output, site, table);
    if (!saving.saved) {
        std::cerr << "zelto-cli: table: " << saving.message << '\n';
        return kExitWriteFailed;
    }
    return 0;
}

}  // namespace zelto::cli
