// zelto-cli circumstances: the local circumstances of one catalog eclipse at one site.
#include <array>
#include <charconv>
#include <cmath>
#include <iostream>
#include <numbers>
#include <optional>
#include <string>

#include "app/cli_commands.h"
#include "circumstances/contact_display.h"
#include "circumstances/site_angle.h"
#include "circumstances/solver.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "eclipse_data/number_text.h"
#include "state/variables.h"

namespace zelto::cli {

namespace {

constexpr double kRadToDeg = 180 / std::numbers::pi;
constexpr const char* kSlotNames[kContactSlots] = {"C1", "C2", "Mx", "C3", "C4"};

struct Request {
    int eclipse = 0;
    double latitude = 0;   // degrees, north positive
    double longitude = 0;  // degrees, east positive
    double height = 0;     // metres
    bool manualDeltaT = false;
    double deltaT = 0;
    bool json = false;
};

// The shortest text that reads back to the same double; never locale-dependent, never NaN here.
std::string NumberText(double value) {
    if (!std::isfinite(value)) return "null";
    if (value == 0) value = 0;  // no "-0"
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The Julian day rounded to the nearest tenth of a second, as the contact display stores it.
double TenthsJD(double jd) {
    return std::floor(jd * 864000 + 0.5) / 864000;
}

std::string UtText(double jd) {
    return JDText(TenthsJD(jd), 1);
}

std::string DateText(const EclipseRecord& r) {
    return DateTimeText(r.Year, r.Month, r.Day, 0, 0, 0, 0).substr(0, 10);
}

bool Computed(const SitePlace& place, int slot) {
    return place.SolarAltitude[slot] != kAltitudeNotComputed;
}

// Reads the arguments; on an error prints its one line and returns false with `exitCode` set.
bool ReadRequest(const Arguments& args, Request& request, int& exitCode) {
    bool haveEclipse = false, haveLat = false, haveLon = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--json") {
            request.json = true;
            continue;
        }
        if (option != "--eclipse" && option != "--lat" && option != "--lon" && option != "--height" &&
            option != "--deltat") {
            exitCode = UsageError("circumstances: unknown argument '" + option + "'");
            return false;
        }
        if (i + 1 >= args.size()) {
            exitCode = UsageError("circumstances: " + option + " needs a value");
            return false;
        }
        const std::string& value = args[++i];
        if (option == "--eclipse") {
            const auto number = ParseInteger(value);
            if (!number || *number < 1 || *number > kEclipseCount) {
                exitCode =
                    UsageError("circumstances: eclipse must be a number from 1 to 224, not '" + value + "'");
                return false;
            }
            request.eclipse = static_cast<int>(*number);
            haveEclipse = true;
        } else if (option == "--lat") {
            const auto lat = ParseSiteAngle(value, SiteAngleKind::kLatitude);
            if (!lat) {
                exitCode = UsageError("circumstances: unreadable latitude '" + value + "'");
                return false;
            }
            if (std::fabs(*lat) > 90) {
                exitCode = UsageError("circumstances: latitude '" + value + "' lies beyond 90 degrees");
                return false;
            }
            request.latitude = *lat;
            haveLat = true;
        } else if (option == "--lon") {
            const auto lon = ParseSiteAngle(value, SiteAngleKind::kLongitude);
            if (!lon) {
                exitCode = UsageError("circumstances: unreadable longitude '" + value + "'");
                return false;
            }
            if (std::fabs(*lon) > 180) {
                exitCode = UsageError("circumstances: longitude '" + value + "' lies beyond 180 degrees");
                return false;
            }
            request.longitude = *lon;
            haveLon = true;
        } else if (option == "--height") {
            // From below the Dead Sea shore to far above any mountain; beyond that the text is a slip.
            const auto height = ParseDecimal(value);
            if (!height || *height < -1000 || *height > 100000) {
                exitCode = UsageError("circumstances: height must be metres from -1000 to 100000, not '" +
                                      value + "'");
                return false;
            }
            request.height = *height;
        } else {
            const auto deltaT = ParseDecimal(value);
            if (!deltaT || std::fabs(*deltaT) > 100000) {
                exitCode = UsageError("circumstances: DeltaT must be seconds from -100000 to 100000, not '" +
                                      value + "'");
                return false;
            }
            request.deltaT = *deltaT;
            request.manualDeltaT = true;
        }
    }
    if (!haveEclipse || !haveLat || !haveLon) {
        exitCode = UsageError(
            "usage: circumstances --eclipse N --lat LAT --lon LON [--height M] [--deltat S] [--json]");
        return false;
    }
    return true;
}

struct Result {
    const EclipseRecord* record = nullptr;
    double deltaT = 0;
    SitePlace place;
    double greatest = 0;
    PenumbraContact p1, p4;

    double JD(double t) const { return SolverTimeToJD(*record, t, deltaT); }

    // The contacts as the program shows them: UT rounded to the tenth, 0 when not shown.
    std::array<double, kContactSlots> ShownContactJD() const {
        std::array<double, kContactSlots> jd{};
        for (int slot = 0; slot < kContactSlots; ++slot) {
            if (ContactShown(place, slot))
                jd[static_cast<size_t>(slot)] = RoundedToTenthSecond(JD(place.ContactTime[slot]));
        }
        return jd;
    }
    // Seconds from C2 to C3 when both are shown at a central site.
    std::optional<double> CentralSeconds() const {
        const auto jd = ShownContactJD();
        if ((place.LocalType != 't' && place.LocalType != 'a') || jd[kC2] == 0 || jd[kC3] == 0)
            return std::nullopt;
        return std::round((jd[kC3] - jd[kC2]) * 864000.0) / 10.0;
    }
};

Result Compute(const Request& request) {
    Result r;
    r.record = &CatalogRecord(BuiltInCatalog(), request.eclipse);
    r.deltaT = request.manualDeltaT ? request.deltaT : DeltaTForDate(r.record->Year, r.record->Month);
    r.place.Latitude = request.latitude / kRadToDeg;
    r.place.Longitude = -request.longitude / kRadToDeg;  // the solver counts west positive
    r.place.Height = request.height;
    ComputeLocalCircumstances(*r.record, r.deltaT, r.place);
    r.greatest = ComputeGreatestEclipseTime(*r.record);
    r.p1 = PenumbraContactTime(*r.record, -4, r.greatest);
    r.p4 = PenumbraContactTime(*r.record, r.greatest, 4);
    return r;
}

std::string Degrees(double radians, int decimals) {
    return FixedText(radians * kRadToDeg, decimals);
}

void PrintPlain(const Request& request, const Result& r) {
    const SitePlace& p = r.place;
    std::cout << "Eclipse " << request.eclipse << "  " << DateText(*r.record) << "  "
              << EclipseTypeLongName(r.record->EclipseType) << '\n'
              << "DeltaT " << FixedText(r.deltaT, 1) << " s" << (request.manualDeltaT ? " (manual)" : "")
              << '\n'
              << "Site " << FixedText(std::fabs(request.latitude), 4)
              << (request.latitude < 0 ? " S  " : " N  ") << FixedText(std::fabs(request.longitude), 4)
              << (request.longitude < 0 ? " W  " : " E  ") << FixedText(request.height, 0) << " m\n"
              << KindHere(p.LocalType) << '\n';
    if (p.LocalType == 't' || p.LocalType == 'a') std::cout << DurationText(p, r.ShownContactJD()) << '\n';
    if (p.LocalType != '-') std::cout << "Magnitude " << FixedText(p.Magnitude, 4) << '\n';
    std::cout << "\n    UT (tenths)              Alt.    Azim.       P       V   (degrees; azimuth from "
                 "south, west +)\n";
    for (int slot = 0; slot < kContactSlots; ++slot) {
        std::cout << kSlotNames[slot] << ": ";
        const bool central = slot != kC2 && slot != kC3;
        if (!Computed(p, slot) || (!central && p.LocalType == 'p')) {
            std::cout << "-\n";
            continue;
        }
        const auto column = [](const std::string& text, size_t width) {
            return std::string(text.size() < width ? width - text.size() : 0, ' ') + text;
        };
        std::cout << UtText(r.JD(p.ContactTime[slot])) << column(Degrees(p.SolarAltitude[slot], 1), 9)
                  << column(Degrees(p.Azimuth[slot], 1), 8) << column(Degrees(p.PositionAngle[slot], 1), 8)
                  << column(Degrees(p.VertexAngle[slot], 1), 8)
                  << (p.SolarAltitude[slot] > 0 ? "" : "   (Sun below the horizon)") << '\n';
    }
    std::cout << "\nGreatest eclipse " << UtText(r.JD(r.greatest)) << '\n';
    const auto global = [&r](const char* name, const PenumbraContact& contact) {
        std::cout << name << ' ' << UtText(r.JD(contact.time)) << "  (" << contact.iterations << " iterations"
                  << (contact.iterations > kPenumbraIterationLimit ? ", search failed" : "") << ")\n";
    };
    global("P1", r.p1);
    global("P4", r.p4);
}

void PrintJson(const Request& request, const Result& r) {
    const SitePlace& p = r.place;
    const auto quoted = [](const std::string& text) { return "\"" + text + "\""; };
    const auto instant = [&](double t) {
        const double jd = r.JD(t);
        return "\"jd\":" + NumberText(jd) + ",\"ut\":" + quoted(UtText(jd));
    };
    std::string out =
        "{\"eclipse\":" + std::to_string(request.eclipse) + ",\"date\":" + quoted(DateText(*r.record)) +
        ",\"eclipse_type\":" + std::to_string(r.record->EclipseType) + ",\"deltat\":" + NumberText(r.deltaT) +
        ",\"site\":{\"lat\":" + NumberText(request.latitude) + ",\"lon\":" + NumberText(request.longitude) +
        ",\"height\":" + NumberText(request.height) +
        // The same site under names that carry their sign; "lat" and "lon" stay for existing readers.
        ",\"lat_north\":" + NumberText(request.latitude) + ",\"lon_east\":" + NumberText(request.longitude) +
        "}";
    const std::optional<double> central = r.CentralSeconds();
    out += ",\"kind\":" + quoted(LocalTypeName(p.LocalType)) +
           ",\"central_duration_s\":" + (central ? NumberText(*central) : std::string("null"));
    out += ",\"local_type\":" + quoted(std::string(1, p.LocalType)) + ",\"magnitude\":";
    // The magnitude of a place without an eclipse is a left-over of an earlier pass: none.
    out += p.LocalType == '-' ? "null" : NumberText(p.Magnitude);
    out += ",\"contacts\":{";
    for (int slot = 0; slot < kContactSlots; ++slot) {
        if (slot > 0) out += ',';
        out += quoted(kSlotNames[slot]) + ':';
        const bool stale = (slot == kC2 || slot == kC3) && p.LocalType == 'p';
        if (!Computed(p, slot) || stale) {
            out += "null";
            continue;
        }
        out += '{' + instant(p.ContactTime[slot]) +
               ",\"altitude\":" + NumberText(p.SolarAltitude[slot] * kRadToDeg) +
               ",\"azimuth\":" + NumberText(p.Azimuth[slot] * kRadToDeg) +
               ",\"azimuth_from_south_west\":" + NumberText(p.Azimuth[slot] * kRadToDeg) +
               ",\"position_angle\":" + NumberText(p.PositionAngle[slot] * kRadToDeg) +
               ",\"vertex_angle\":" + NumberText(p.VertexAngle[slot] * kRadToDeg) +
               ",\"shown\":" + (ContactShown(p, slot) ? "true" : "false") + '}';
    }
    out += "},\"greatest\":{" + instant(r.greatest) + '}';
    out += ",\"p1\":{" + instant(r.p1.time) + ",\"iterations\":" + std::to_string(r.p1.iterations) + '}';
    out += ",\"p4\":{" + instant(r.p4.time) + ",\"iterations\":" + std::to_string(r.p4.iterations) + "}}";
    std::cout << out << '\n';
}

}  // namespace

int CircumstancesCommand(const Arguments& args) {
    Request request;
    int exitCode = 0;
    if (!ReadRequest(args, request, exitCode)) return exitCode;
    const Result result = Compute(request);
    if (request.json) {
        PrintJson(request, result);
    } else {
        PrintPlain(request, result);
    }
    return 0;
}

}  // namespace zelto::cli
