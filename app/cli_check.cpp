// zelto-cli check and fit: the table check, and the fit of a table to another site, for scripts.
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "app/cli_commands.h"
#include "camera/backend.h"
#include "camera/row_files.h"
#include "circumstances/site.h"
#include "circumstances/site_angle.h"
#include "eclipse_data/number_text.h"
#include "exposure/fit_table.h"
#include "exposure/table_check.h"
#include "exposure/table_file.h"
#include "state/startup.h"
#include "state/variables.h"

namespace zelto::cli {

namespace {

constexpr int kExitLosesPictures = 1;
constexpr int kExitNotFitted = 3;
constexpr const char* kCheckUsage = "usage: check FILE [--camera virtual|gphoto2|edsdk|none]";
constexpr const char* kFitUsage = "usage: fit FILE --lat LAT --lon LON [--height M] [-o FILE]";

// A table file read whole, or why not (the message already printed).
bool ReadTable(const std::string& command, const std::string& file, TableFileReading& reading) {
    reading = LoadExposureTable(file);
    if (!reading.opened) {
        UsageError(command + ": " + reading.message);
        return false;
    }
    if (reading.malformedLine != 0) {
        UsageError(command + ": " + file + ": " + reading.message);
        return false;
    }
    return true;
}

}  // namespace

std::vector<TableFinding> CheckTableHere(const ExposureTable& table, int eclipseNumber,
                                         const std::string& camera, const WorkingFolders& folders) {
    EclipseState eclipse = Shared().eclipse;
    SelectEclipse(eclipse, IsValidEclipseNumber(eclipseNumber) ? eclipseNumber : 1, "");
    return CheckExposureTable(table,
                              TableCheckInputFor(folders, eclipse.GreatestEclipseJD, CameraTimingOf(camera)));
}

int CheckCommand(const Arguments& args) {
    std::string file;
    std::string camera = CameraBackendSetting();
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--camera") {
            if (i + 1 >= args.size())
                return UsageError("check: --camera needs virtual, gphoto2, edsdk or none");
            camera = args[++i];
        } else if (!args[i].empty() && args[i][0] == '-') {
            return UsageError("check: unknown option '" + args[i] + "'");
        } else if (file.empty()) {
            file = args[i];
        } else {
            return UsageError(kCheckUsage);
        }
    }
    if (file.empty()) return UsageError(kCheckUsage);
    TableFileReading reading;
    if (!ReadTable("check", file, reading)) return 2;
    SharedVariables& shared = Shared();
    StartUp(shared, QuerySystemLocations());
    const std::vector<TableFinding> findings =
        CheckTableHere(reading.table, reading.site.EclipseNumber, camera, shared.folders);
    bool losing = false;
    for (const TableFinding& finding : findings) {
        std::cout << finding.text << '\n';
        losing = losing || FindingLosesPictures(finding.kind);
    }
    if (findings.empty()) std::cout << "no findings: " << reading.table.RowCount() << " rows checked\n";
    return losing ? kExitLosesPictures : 0;
}

int FitCommand(const Arguments& args) {
    std::string file, output, height = "0";
    std::optional<double> latitude, longitude;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option.empty() || option[0] != '-') {
            if (!file.empty()) return UsageError(kFitUsage);
            file = option;
            continue;
        }
        if (i + 1 >= args.size()) return UsageError("fit: " + option + " needs a value");
        const std::string& value = args[++i];
        if (option == "--lat") {
            latitude = ParseSiteAngle(value, SiteAngleKind::kLatitude);
            if (!latitude || std::fabs(*latitude) > 90)
                return UsageError("fit: unreadable latitude '" + value + "'");
        } else if (option == "--lon") {
            longitude = ParseSiteAngle(value, SiteAngleKind::kLongitude);
            if (!longitude || std::fabs(*longitude) > 180)
                return UsageError("fit: unreadable longitude '" + value + "'");
        } else if (option == "--height") {
            if (CleanHeightText(value).empty() || Trimmed(value) != value)
                return UsageError("fit: height must be metres from 0 to 25000, not '" + value + "'");
            height = value;
        } else if (option == "-o") {
            if (value.empty()) return UsageError("fit: -o needs a file name");
            output = value;
        } else {
            return UsageError("fit: unknown option '" + option + "'");
        }
    }
    if (file.empty() || !latitude || !longitude) return UsageError(kFitUsage);
    TableFileReading reading;
    if (!ReadTable("fit", file, reading)) return 2;

    SharedVariables& shared = Shared();
    SelectEclipse(shared.eclipse, reading.site.EclipseNumber, "");
    const TableFileSite site{reading.site.EclipseNumber,
                             FixedText(std::fabs(*latitude), 4),
                             *latitude >= 0,
                             FixedText(std::fabs(*longitude), 4),
                             *longitude >= 0,
                             height};
    const TableFit fit = FitTableToSite(reading.table, reading.site, site, shared.eclipse.EclipseCatalog,
                                        shared.eclipse.DeltaT);
    std::cerr << (fit.fitted ? "" : "zelto-cli: fit: ") << fit.message << '\n';
    if (!fit.fitted) return kExitNotFitted;
    if (output.empty()) {
        const std::string text = ExposureTableText(site, fit.table);
        return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() ? 0 : 1;
    }
    const TableFileSaving saving = SaveExposureTable(output, site, fit.table);
    if (!saving.saved) {
        std::cerr << "zelto-cli: fit: " << saving.message << '\n';
        return 1;
    }
    return 0;
}

}  // namespace zelto::cli
