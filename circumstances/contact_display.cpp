#include "circumstances/contact_display.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "circumstances/solver.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;

// Component names, row by row in slot order, six per row.
constexpr std::string_view kRowNames[kContactSlots][6] = {
    {"Label_C1", "Label_C1Diff", "Label_C1Hgt", "Label_C1Azi", "Label_C1V", "Label_C1P"},
    {"Label_C2", "Label_C2Diff", "Label_C2Hgt", "Label_C2Azi", "Label_C2V", "Label_C2P"},
    {"Label_Mx", "Label_MxDiff", "Label_MxHgt", "Label_MxAzi", "Label_MxV", "Label_MxP"},
    {"Label_C3", "Label_C3Diff", "Label_C3Hgt", "Label_C3Azi", "Label_C3V", "Label_C3P"},
    {"Label_C4", "Label_C4Diff", "Label_C4Hgt", "Label_C4Azi", "Label_C4V", "Label_C4P"},
};
constexpr std::string_view kPrefixes[kContactSlots] = {"C1: ", "C2: ", "Mx: ", "C3: ", "C4: "};

constexpr int kGlobalBase = kContactSlots * 6;

std::string Degrees(double radians, int decimals) {
    return FixedText(radians * kDegrees, decimals);
}

}  // namespace

double ContrastRatio(Rgb a, Rgb b) {
    const auto luminance = [](Rgb c) {
        const auto linear = [](uint8_t channel) {
            const double v = channel / 255.0;
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb ColourRgb(LabelColour colour) {
    switch (colour) {
        case LabelColour::Lime:
            return {0, 255, 0};
        case LabelColour::ToCome:
            return {40, 210, 40};  // 5:1 on the window's grey
        // Past and hidden labels are light enough to read on the dark background (4.5:1 and more).
        case LabelColour::Red:
            return {255, 144, 144};
        case LabelColour::Gray:
            return {176, 176, 176};
        case LabelColour::GlobalToCome:
            return {160, 192, 0};
        case LabelColour::GlobalPast:
            return {240, 160, 160};
    }
    return {176, 176, 176};
}

const std::array<std::string_view, kContactLabelCount>& ContactLabelNames() {
    static const auto names = [] {
        std::array<std::string_view, kContactLabelCount> all{};
        for (size_t slot = 0; slot < kContactSlots; ++slot) {
            for (size_t i = 0; i < 6; ++i) all[slot * 6 + i] = kRowNames[slot][i];
        }
        all[kGlobalBase] = "Label_Pb";
        all[kGlobalBase + 1] = "Label_PbDiff";
        all[kGlobalBase + 2] = "Label_Pe";
        all[kGlobalBase + 3] = "Label_PeDiff";
        return all;
    }();
    return names;
}

const DisplayLabel* ContactDisplay::Find(std::string_view name) const {
    for (const DisplayLabel& label : labels) {
        if (label.name == name) return &label;
    }
    return nullptr;
}

bool ContactShown(const SitePlace& place, int slot) {
    if (!(place.SolarAltitude[static_cast<size_t>(slot)] > 0)) return false;
    if ((slot == kC2 || slot == kC3) && place.LocalType == 'p') return false;
    return true;
}

double RoundedToTenthSecond(double jd) {
    return std::floor(jd * 864000.0 + 0.5) / 864000.0;
}

ContactDisplay ContactLabels(const EclipseRecord& eclipse, double deltaT, const SitePlace& place,
                             double p1Time, double p4Time, double currentJD, int tenthsFlag,
                             ContactInstants& instants) {
    ContactDisplay display;

    for (int slot = 0; slot < kContactSlots; ++slot) {
        const auto s = static_cast<size_t>(slot);
        DisplayLabel* row = &display.labels[s * 6];
        for (int i = 0; i < 6; ++i) row[i].name = kRowNames[s][i];
        if (!ContactShown(place, slot)) {
            instants.ContactJD[s] = 0;
            row[0].text = std::string(kPrefixes[s]) + "not visible here";
            row[1].text.clear();
            for (int i = 2; i < 6; ++i) row[i].text.assign(1, '-');
            for (int i = 0; i < 6; ++i) row[i].colour = LabelColour::Gray;
            continue;
        }
        const double jd = RoundedToTenthSecond(SolverTimeToJD(eclipse, place.ContactTime[s], deltaT));
        instants.ContactJD[s] = jd;
        const double remaining = jd - currentJD;
        const bool toCome = remaining >= 0;  // a contact exactly now is still to come
        row[0].text = std::string(kPrefixes[s]) + JDText(jd, tenthsFlag);
        row[1].text = DayDiffText(tenthsFlag, remaining);
        row[2].text = Degrees(place.SolarAltitude[s], 1);
        row[3].text = Degrees(place.Azimuth[s], 1);
        row[4].text = Degrees(place.VertexAngle[s], 0);
        row[5].text = Degrees(place.PositionAngle[s], 0);
        row[1].colour = toCome ? LabelColour::Lime : LabelColour::Red;
        for (int i : {0, 2, 3, 4, 5}) row[i].colour = toCome ? LabelColour::ToCome : LabelColour::Gray;
    }

    instants.P1Time = p1Time;
    instants.P4Time = p4Time;
    instants.P1JD = SolverTimeToJD(eclipse, p1Time, deltaT);
    instants.P4JD = SolverTimeToJD(eclipse, p4Time, deltaT);
    const auto global = [&](size_t index, std::string_view name, std::string_view diffName,
                            std::string_view prefix, double jd) {
        const double remaining = jd - currentJD;
        const LabelColour colour = remaining >= 0 ? LabelColour::GlobalToCome : LabelColour::GlobalPast;
        display.labels[index] = {name, std::string(prefix) + JDText(jd, tenthsFlag), colour};
        display.labels[index + 1] = {diffName, DayDiffText(tenthsFlag, remaining), colour};
    };
    global(kGlobalBase, "Label_Pb", "Label_PbDiff", "P1: ", instants.P1JD);
    global(kGlobalBase + 2, "Label_Pe", "Label_PeDiff", "P4: ", instants.P4JD);
    display.Duration = DurationText(place, instants.ContactJD);
    if (ContactShown(place, kMx)) {
        display.Magnitude = "Magnitude " + FixedText(place.Magnitude, 4);
    } else if (place.LocalType != '-') {
        display.Magnitude = "Magnitude: maximum not visible here";
    }
    return display;
}

ContactDisplay ShowContacts(const EclipseRecord& eclipse, double deltaT, double greatestEclipseTime,
                            const SitePlace& place, double currentJD, int tenthsFlag,
                            ContactInstants& instants) {
    // A search that does not converge gives t = 0: the row then shows T0 − ΔT of the catalog date.
    const double p1 = PenumbraContactTime(eclipse, -4.0, greatestEclipseTime).time;
    const double p4 = PenumbraContactTime(eclipse, greatestEclipseTime, 4.0).time;
    return ContactLabels(eclipse, deltaT, place, p1, p4, currentJD, tenthsFlag, instants);
}

std::string DurationText(const SitePlace& place, const std::array<double, kContactSlots>& contactJD) {
    if (place.LocalType == '-') return "No eclipse here";
    if (std::all_of(contactJD.begin(), contactJD.end(), [](double jd) { return jd == 0; }))
        return "Eclipse not visible here (Sun below the horizon)";
    switch (place.LocalType) {
        case 't':
        case 'a': {
            const std::string phase = place.LocalType == 't' ? "Totality" : "Annularity";
            if (contactJD[kC2] == 0 && contactJD[kC3] == 0) return phase + ": not visible here";
            if (contactJD[kC2] == 0 || contactJD[kC3] == 0) return phase + ": partly below the horizon";
            const double seconds = std::round((contactJD[kC3] - contactJD[kC2]) * 864000.0) / 10.0;
            const int minutes = static_cast<int>(seconds / 60);
            return phase + " " + std::to_string(minutes) + " min " + FixedText(seconds - minutes * 60.0, 1) +
                   " s";
        }
        default:
            return "Partial eclipse only";
    }
}

std::optional<NextContact> NextContactAfter(const std::array<double, kContactSlots>& contactJD,
                                            double nowJD) {
    std::optional<NextContact> next;
    for (int slot = 0; slot < kContactSlots; ++slot) {
        const double jd = contactJD[static_cast<size_t>(slot)];
        if (jd != 0 && jd >= nowJD && (!next || jd < next->jd)) next = NextContact{slot, jd};
    }
    return next;
}

std::string KindHere(char localType) {
    std::string text = LocalTypeName(localType);
    text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text + " here";
}

std::string ContactsInWords(char localType, const std::array<double, kContactSlots>& contactJD) {
    std::string text = KindHere(localType);
    const char* separator = ": ";
    for (int slot = 0; slot < kContactSlots; ++slot) {
        const double jd = contactJD[static_cast<size_t>(slot)];
        if (jd == 0) continue;
        text += separator + std::string(kContactSlotNames[static_cast<size_t>(slot)]) + " " +
                JDText(jd, 1).substr(11);
        separator = ", ";
    }
    return separator[0] == ',' ? text + " UT" : text;
}

std::string_view EclipseTypeLongName(int eclipseType) {
    switch (eclipseType) {
        case 1:
            return "Partial solar eclipse";
        case 2:
            return "Total solar eclipse";
        case 3:
            return "Annular solar eclipse";
        case 4:
            return "Annular-total solar eclipse";
        case 5:
            return "Non central total solar eclipse";
        case 6:
            return "Non central annular solar eclipse";
        default:
            return "";
    }
}

std::string_view EclipseTypeShortName(int eclipseType) {
    switch (eclipseType) {
        case 1:
            return "Partial";
        case 2:
            return "Total";
        case 3:
            return "Annular";
        case 4:
            return "Annular - total";
        case 5:
            return "Non central total";
        case 6:
            return "Non central annular";
        default:
            return "";
    }
}

EclipseHeader ShowEclipseHeader(const EclipseRecord& eclipse, double greatestEclipseJD, double deltaT,
                                std::string_view captionPrefix) {
    // Rounded to the tenth first, so that the seconds never read "60.0".
    const CalendarInstant c = JDToCalendar(RoundedToTenthSecond(greatestEclipseJD));
    const auto zeros = [](long long value, size_t width) {
        std::string text = std::to_string(value);
        return text.size() >= width ? text : std::string(width - text.size(), '0') + text;
    };
    std::string seconds = FixedText(c.seconds, 1);
    if (seconds.size() < 4) seconds.insert(0, 4 - seconds.size(), '0');

    EclipseHeader header;
    header.Date = zeros(c.year, 4) + "-" + zeros(c.month, 2) + "-" + zeros(c.day, 2);
    const std::string time = zeros(static_cast<long long>(c.hours), 2) + ":" +
                             zeros(static_cast<long long>(c.minutes), 2) + ":" + seconds + " UT";
    header.GreatestEclipse = "Greatest eclipse at " + time;
    header.DeltaT = "DeltaT " + FixedText(deltaT, 1) + " sec";
    header.Kind = std::string(EclipseTypeShortName(eclipse.EclipseType));
    header.Caption = std::string(captionPrefix) + header.Date + "  " + time + "     " +
                     std::string(EclipseTypeLongName(eclipse.EclipseType));
    return header;
}

}  // namespace zelto
