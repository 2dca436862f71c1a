#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "circumstances/site_place.h"
#include "eclipse_data/catalog.h"

// The contact table of the main window as plain data: the texts and font colours of its 34 labels
// (six per local contact, two each for P1 and P4) and the eclipse header. The window only copies
// them into its labels.

namespace zelto {

enum class LabelColour : uint8_t {
    Lime,          // countdown of a local contact still to come
    ToCome,        // other labels of a local contact still to come
    Red,           // countdown of a past local contact
    Gray,          // other labels of a past contact; every label of a hidden contact ("not visible here")
    GlobalToCome,  // P1 or P4 still to come
    GlobalPast,    // P1 or P4 past
};

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};
Rgb ColourRgb(LabelColour colour);
// The WCAG 2 contrast ratio of two colours, 1 to 21: text reads on a background at 4.5 or more.
double ContrastRatio(Rgb a, Rgb b);

// One label: its component name (e.g. "Label_C1Diff"), text and font colour.
struct DisplayLabel {
    std::string_view name;
    std::string text;
    LabelColour colour = LabelColour::Gray;
};

inline constexpr int kContactLabelCount = 34;

// The place, its circumstances and the instants the contact display stores for the exposure tables.
struct ContactState {
    SitePlace Place;
    std::array<double, kContactSlots> ContactJD{};  // UT, rounded to 0.1 s; 0 when not shown
    double P1JD = 0;
    double P4JD = 0;
};

struct ContactDisplay {
    // C1, C2, Mx, C3, C4 with six labels each (instant, countdown, height, azimuth, vertex, position
    // angle), then Label_Pb, Label_PbDiff, Label_Pe, Label_PeDiff.
    std::array<DisplayLabel, kContactLabelCount> labels;
    // What the site sees as a whole: "Totality 4 min 28.1 s" (C3 − C2 as shown), "Annularity ...",
    // or why there is none; "Magnitude 1.0082" while maximum is shown (empty without an eclipse).
    std::string Duration;
    std::string Magnitude;

    // The label of that name; nullptr when there is none.
    const DisplayLabel* Find(std::string_view name) const;
};

// The window's background behind the contact table; every past, hidden and global label keeps a
// contrast of at least 4.5:1 against it.
inline constexpr Rgb kContactBackground{64, 64, 64};

// The 34 component names in the order of ContactDisplay::labels.
const std::array<std::string_view, kContactLabelCount>& ContactLabelNames();

// What a pass of the display stores for the exposure tables.
struct ContactInstants {
    std::array<double, kContactSlots> ContactJD{};  // UT, rounded to 0.1 s; 0 when not shown
    double P1Time = 0;                              // hours t from T0
    double P4Time = 0;
    double P1JD = 0;  // UT, not rounded
    double P4JD = 0;
};

// A contact is shown when the Sun is above the horizon then; C2 and C3 only at a site that is not
// merely partial.
bool ContactShown(const SitePlace& place, int slot);

// A Julian day rounded to the nearest tenth of a second.
double RoundedToTenthSecond(double jd);

// The texts and colours for one pass, from the solved place, the global P1 and P4 instants (hours t)
// and the current instant. Fills `instants` (ContactJD, P1/P4) as the pass stores them.
ContactDisplay ContactLabels(const EclipseRecord& eclipse, double deltaT, const SitePlace& place,
                             double p1Time, double p4Time, double currentJD, int tenthsFlag,
                             ContactInstants& instants);

// The whole display step of a recompute pass: searches P1 and P4 around greatest eclipse, then builds
// the labels as ContactLabels does.
ContactDisplay ShowContacts(const EclipseRecord& eclipse, double deltaT, double greatestEclipseTime,
                            const SitePlace& place, double currentJD, int tenthsFlag,
                            ContactInstants& instants);

// Eclipse type names by EclipseType (1 to 6); empty for any other code.
// The earliest shown contact (ContactJD not 0) at or after `nowJD`; nullopt when all are past.
struct NextContact {
    int slot = kC1;
    double jd = 0;
};
std::optional<NextContact> NextContactAfter(const std::array<double, kContactSlots>& contactJD, double nowJD);

// "Total eclipse here", "No eclipse here".
std::string KindHere(char localType);

// The central phase as the contact table shows it, from C2 to C3 (UT, rounded to the tenth; 0 when
// not shown): "Totality 4 min 28.1 s", "Annularity: not visible here", "Partial eclipse only".
std::string DurationText(const SitePlace& place, const std::array<double, kContactSlots>& contactJD);

// The kind of eclipse at the site and its shown contacts in UT, in words: "Total eclipse here: C1
// 17:11:49.2, C2 18:27:41.0, Mx 18:29:52.1, C3 18:32:03.4, C4 19:47:10.4 UT".
std::string ContactsInWords(char localType, const std::array<double, kContactSlots>& contactJD);

std::string_view EclipseTypeLongName(int eclipseType);
std::string_view EclipseTypeShortName(int eclipseType);

struct EclipseHeader {
    std::string Date;             // "2024-04-08"
    std::string GreatestEclipse;  // "Greatest eclipse at 18:17:20.4 UT"
    std::string DeltaT;           // "DeltaT 69.2 sec"
    std::string Kind;             // "Total"
    std::string Caption;          // the main window's caption: prefix + date, time and long type name
};

// The header of greatest eclipse (UT Julian day) with the ΔT in force.
EclipseHeader ShowEclipseHeader(const EclipseRecord& eclipse, double greatestEclipseJD, double deltaT,
                                std::string_view captionPrefix);

}  // namespace zelto
