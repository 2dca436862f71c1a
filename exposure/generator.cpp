#include "exposure/generator.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>

#include "eclipse_data/datetext.h"
#include "eclipse_data/number_text.h"
#include "exposure/table_file.h"

namespace zelto {

namespace {

constexpr double kSecond = 1.0 / 86400.0;  // days
constexpr double kMinute = 1.0 / 1440.0;   // days
constexpr double kDegree = std::numbers::pi / 180.0;
constexpr double kDeltaTRotation = 0.00417807;  // degrees of Earth rotation per second of ΔT
constexpr double kHorizonStep = 1.0 / 1440.0;   // hours (2.5 s)
constexpr double kHorizonSearchLimit = 24.0;    // hours
constexpr int kAnnularSteps = 200;              // annular-phase rows on each side of maximum, at most
constexpr double kMaximumTolerance = 0.0001;    // days: a partial-layout row this close to Mx is "maximum"

enum class MarkSet { kPartial, kBeads, kBrokenRing, kAnnular, kLoop };

// Appends rows to the table being built.
class RowWriter {
  public:
    RowWriter(ExposureTable& table, const CameraDefaults& defaults, int maxExposure)
        : table_(table), maxExposure_(maxExposure) {
        // A camera's own name that the file could not carry (one with a comma) is left out: it names
        // no code the run could write anyway, and the camera keeps its value as with an empty list.
        const auto usable = [](const std::string& text) { return CellFitsFile(text) ? text : std::string(); };
        defaults_ = {usable(defaults.ImageQuality), usable(defaults.ISO), usable(defaults.Aperture)};
    }

    void Photograph(double jd, const std::string& phase, MarkSet marks) {
        ExposureRow row;
        row[kColumnPhase] = phase;
        row[kColumnDateTime] = JDText(jd, 1);
        row[kColumnQuality] = defaults_.ImageQuality;
        row[kColumnISO] = defaults_.ISO;
        row[kColumnAperture] = defaults_.Aperture;
        const auto mark = [&row](int column) { row[static_cast<size_t>(column)] = "x"; };
        switch (marks) {
            case MarkSet::kPartial:
            case MarkSet::kAnnular:
                for (int c : {9, 10, 11}) mark(c);
                break;
            case MarkSet::kBeads:
                mark(9);
                break;
            case MarkSet::kBrokenRing:
                mark(11);
                break;
            case MarkSet::kLoop:
                for (int c = 9; c <= 21; ++c) mark(c);
                if (maxExposure_ == 8) mark(22);
                break;
        }
        table_.AppendRow(std::move(row));
    }

    void Sound(double jd, const char* file) {
        ExposureRow row;
        row[kColumnKind] = "WAV";
        row[kColumnPhase] = file;
        row[kColumnDateTime] = JDText(jd, 1);
        table_.AppendRow(std::move(row));
    }

  private:
    ExposureTable& table_;
    CameraDefaults defaults_;
    int maxExposure_;
};

// "<prefix>" p "sec)" for p < 0, "<prefix>+" p "sec)" for p > 0, p with one decimal.
std::string AroundContactName(const char* prefix, int p) {
    const std::string number = FixedText(p, 1);
    return std::string(prefix) + (p > 0 ? "+" : "") + number + "sec)";
}

// The spans before the first anchor (W) and after the last one (V), in days. `before` and `after`
// are the anchors' slots: Mx and Mx for the partial layout, C2 and C3 for the others.
struct Spans {
    double W = 0;
    double V = 0;
};

// A span no solver gives (more than a day, negative, not a number) is cut to a day or 0, so that the
// layouts' one-minute steps always end.
double BoundedSpan(double days) {
    return days > 0 ? std::min(days, 1.0) : 0.0;
}

Spans LayoutSpans(const GeneratorInput& in, ContactSlot before, ContactSlot after) {
    const auto& jd = in.ContactJD;
    Spans spans;
    if (jd[kC1] != 0) {
        spans.W = jd[before] - jd[kC1];
    } else {
        const double start = in.Place.ContactTime[before];
        spans.W = (start - HorizonSearch(in.Eclipse, in.Place, in.DeltaT, start, false)) / 24.0;
    }
    if (jd[kC4] != 0) {
        spans.V = jd[kC4] - jd[after];
    } else {
        const double start = in.Place.ContactTime[after];
        spans.V = (HorizonSearch(in.Eclipse, in.Place, in.DeltaT, start, true) - start) / 24.0;
    }
    spans.W = BoundedSpan(spans.W);
    spans.V = BoundedSpan(spans.V);
    return spans;
}

void PartialLayout(const GeneratorInput& in, double interval, ExposureTable& table, RowWriter& rows) {
    const double mx = in.ContactJD[kMx];
    const Spans spans = LayoutSpans(in, kMx, kMx);
    double m = mx;
    do {
        m -= interval;
    } while (!(m < mx - spans.W));
    table.Clear();
    do {
        const char* name = "";
        if (m < mx) name = "beginning partial phase";
        if (m > mx) name = "ending partial phase";
        if (m < mx - spans.W) name = "before partial eclipse";
        if (m > mx + spans.V) name = "after partial eclipse";
        if (std::fabs(m - mx) < kMaximumTolerance) name = "maximum partial eclipse";
        rows.Photograph(m, name, MarkSet::kPartial);
        m += interval;
    } while (mx + spans.V + interval >= m);
}

// Rows at C2 − k·I … C2 − I, the first named "before partial eclipse". Empties the table first.
void RowsBeforeC2(double c2, double w, double interval, ExposureTable& table, RowWriter& rows) {
    double m = c2;
    int k = 0;
    do {
        m -= interval;
        ++k;
    } while (!(m < c2 - w));
    table.Clear();
    for (int j = 1; j <= k; ++j) {
        rows.Photograph(m, j == 1 ? "before partial eclipse" : "beginning partial phase", MarkSet::kPartial);
        m += interval;
    }
}

// Rows at C3 + I, C3 + 2·I, … up to the first one past C3 + V, which is "after partial eclipse".
void RowsAfterC3(double c3, double v, double interval, RowWriter& rows) {
    double m = c3;
    int k = 0;
    do {
        m += interval;
        ++k;
    } while (m <= c3 + v);
    m = c3 + interval;
    for (int j = 1; j <= k; ++j) {
        rows.Photograph(m, m <= c3 + v ? "ending partial phase" : "after partial eclipse", MarkSet::kPartial);
        m += interval;
    }
}

void TotalLayout(const GeneratorInput& in, double interval, ExposureTable& table, RowWriter& rows) {
    const double c2 = in.ContactJD[kC2];
    const double mx = in.ContactJD[kMx];
    const double c3 = in.ContactJD[kC3];
    const Spans spans = LayoutSpans(in, kC2, kC3);
    const int b = in.Options.BeadsSpan;

    RowsBeforeC2(c2, spans.W, interval, table, rows);
    rows.Sound(c2 - 60 * kSecond, "remove_filters.wav");
    rows.Sound(c2 - 50 * kSecond, "remove_filters.wav");

    // Bead rows stay clear of maximum, so a short totality loses its inner ones.
    for (int p = -b; p <= b; ++p) {
        const double m = c2 + p * kSecond;
        if (!(m < mx - kSecond)) continue;
        if (p == 0) {
            rows.Photograph(m, "C2: begin of total phase", MarkSet::kBeads);
        } else {
            rows.Photograph(m, AroundContactName("Baily's beads (C2", p), MarkSet::kBeads);
        }
    }
    // Written even when C3 − B lies before C2: the run then finds its end instant passed.
    rows.Photograph(c3 - in.Options.BeadsSpan * kSecond, "Loop during totality until", MarkSet::kLoop);

    double last = c3 + b * kSecond;
    for (int p = -b; p <= b; ++p) {
        const double m = c3 + p * kSecond;
        if (!(m > mx + kSecond)) continue;
        if (p == 0) {
            rows.Photograph(m, "C3: end of total phase", MarkSet::kBeads);
        } else {
            rows.Photograph(m, AroundContactName("Baily's beads (C3", p), MarkSet::kBeads);
        }
        last = m;
    }
    rows.Sound(last + 10 * kSecond, "attach_filters.wav");
    rows.Sound(last + 20 * kSecond, "attach_filters.wav");

    RowsAfterC3(c3, spans.V, interval, rows);
}

void AnnularLayout(const GeneratorInput& in, double interval, ExposureTable& table, RowWriter& rows) {
    const double c2 = in.ContactJD[kC2];
    const double mx = in.ContactJD[kMx];
    const double c3 = in.ContactJD[kC3];
    const Spans spans = LayoutSpans(in, kC2, kC3);
    const int r = in.Options.BrokenRingSpan;
    const int a = in.Options.AnnularInterval;

    RowsBeforeC2(c2, spans.W, interval, table, rows);

    for (int p = -r; p <= r; ++p) {
        const double m = c2 + p * kSecond;
        if (!(m < mx - kSecond)) continue;
        if (p == 0) {
            rows.Photograph(m, "C2: begin of annular phase", MarkSet::kBrokenRing);
        } else {
            rows.Photograph(m, AroundContactName("broken ring (C2", p), MarkSet::kBrokenRing);
        }
    }

    // The row at maximum is always written; the others keep R + 1 s clear of C2 and C3.
    const double lower = c2 + (r + 1) * kSecond;
    const double upper = c3 - (r + 1) * kSecond;
    for (int p = -kAnnularSteps; p <= kAnnularSteps; ++p) {
        if (p == 0) {
            rows.Photograph(mx, "Mx: maximum annular eclipse", MarkSet::kAnnular);
            continue;
        }
        const int s = p * a;
        const double m = mx + s * kSecond;
        if (!(lower < m && m < upper)) continue;
        const std::string name =
            std::string(p < 0 ? "annular phase (Mx" : "annular phase (Mx+") + std::to_string(s) + "sec)";
        rows.Photograph(m, name, MarkSet::kAnnular);
    }

    for (int p = -r; p <= r; ++p) {
        const double m = c3 + p * kSecond;
        if (!(m > mx + kSecond)) continue;
        if (p == 0) {
            rows.Photograph(m, "C3: end of annular phase", MarkSet::kBrokenRing);
        } else {
            rows.Photograph(m, AroundContactName("broken ring (C3", p), MarkSet::kBrokenRing);
        }
    }

    RowsAfterC3(c3, spans.V, interval, rows);
}

}  // namespace

int VisibilityCode(const std::array<double, kContactSlots>& contactJD) {
    return 16 * (contactJD[kC1] != 0) + 8 * (contactJD[kC2] != 0) + 4 * (contactJD[kMx] != 0) +
           2 * (contactJD[kC3] != 0) + (contactJD[kC4] != 0);
}

bool GeneratorAllowed(int visibilityCode) {
    switch (visibilityCode) {
        case 5:
        case 20:
        case 21:
        case 15:
        case 30:
        case 31:
            return true;
        default:
            return false;
    }
}

std::string NoTableReason(char localType, int visibilityCode) {
    if (GeneratorAllowed(visibilityCode)) return {};
    const bool maximum = (visibilityCode & 4) != 0;
    if (localType != 'p' && localType != 't' && localType != 'a') return "There is no eclipse at this site.";
    if (visibilityCode == 0) return "The Sun is below the horizon during the whole eclipse at this site.";
    if (localType == 'p' && !maximum)
        return "The Sun is below the horizon at maximum eclipse here; a table needs maximum in view.";
    if (localType != 'p') {
        return std::string(localType == 't' ? "Totality" : "Annularity") +
               " is not all above the horizon here; a table needs C2, maximum and C3 in view.";
    }
    return "A table needs maximum and first or last contact in view; here the Sun is below the horizon "
           "at both.";
}

double HorizonSearch(const EclipseRecord& eclipse, const SitePlace& place, double deltaT, double start,
                     bool forward) {
    const double sinPhi = std::sin(place.Latitude);
    const double cosPhi = std::cos(place.Latitude);
    const double rotation = place.Longitude + kDeltaTRotation * deltaT * kDegree;
    const double step = forward ? kHorizonStep : -kHorizonStep;
    const double d0 = eclipse.D[0], d1 = eclipse.D[1], d2 = eclipse.D[2];
    const double mu0 = eclipse.Mu[0], mu1 = eclipse.Mu[1];
    double t = start;
    // A Sun that never sets within a day (polar summer) ends the search instead of the program.
    const long steps = static_cast<long>(kHorizonSearchLimit / kHorizonStep);
    for (long i = 0; i < steps; ++i) {
        const double d = (d0 + d1 * t + d2 * t * t) * kDegree;
        const double hourAngle = (mu0 + mu1 * t) * kDegree - rotation;
        const double sinH = sinPhi * std::sin(d) + cosPhi * std::cos(d) * std::cos(hourAngle);
        t += step;
        if (!(sinH >= 0)) break;
    }
    return t;
}

std::string TableHeaderText(char localType, double c2JD, double c3JD) {
    const double d = (c3JD - c2JD) * 86400.0;
    std::string minutes = MinSecText(1, d / 3600.0);
    const size_t first = minutes.find_first_not_of(" 0");
    minutes.erase(0, first == std::string::npos ? minutes.size() : first);
    if (minutes.empty() || minutes.front() == ':') minutes.insert(0, "0");
    const char* lead = localType == 'a' ? "Exposure Table for Annular Eclipse: Annularity at location is "
                                        : "Exposure Table for Total Eclipse: Totality at location is ";
    return lead + FixedText(d, 1) + " sec (" + minutes + ")";
}

namespace {

// Options outside what the window offers take the values of "nothing chosen", so a zero interval can
// never make a layout loop run forever and a huge span never makes it run for hours.
ExposureOptions UsableOptions(ExposureOptions options) {
    if (options.PartialInterval < 1 || options.PartialInterval > 9)
        options.PartialInterval = kPartialIntervalWhenNone;
    if (options.BeadsSpan < 0 || options.BeadsSpan > 10) options.BeadsSpan = kBeadsSpanWhenNone;
    if (options.BrokenRingSpan < 0 || options.BrokenRingSpan > 10)
        options.BrokenRingSpan = kBrokenRingSpanWhenNone;
    if (options.AnnularInterval < 1 || options.AnnularInterval > 30)
        options.AnnularInterval = kAnnularIntervalWhenNone;
    return options;
}

// Every contact shown lies where date-time text can name it; others come from no solver.
bool ContactsFitTheTable(const std::array<double, kContactSlots>& contactJD) {
    return std::all_of(contactJD.begin(), contactJD.end(),
                       [](double jd) { return jd == 0 || FitsDateTimeText(jd); });
}

}  // namespace

GeneratorInput GeneratorInputForSite(const ContactState& contacts, const EclipseState& eclipse,
                                     const ExposureOptions& options, const CameraDefaults& defaults) {
    GeneratorInput input;
    input.ContactJD = contacts.ContactJD;
    input.VisibilityCode = VisibilityCode(input.ContactJD);
    input.Place = contacts.Place;
    input.Eclipse = eclipse.CurrentEclipse;
    input.DeltaT = eclipse.DeltaT;
    input.Options = options;
    input.Defaults = defaults;
    return input;
}

GeneratorResult CreateExposureTable(const GeneratorInput& original, ExposureTable& table) {
    GeneratorInput input = original;
    input.Options = UsableOptions(original.Options);
    GeneratorResult result;
    if (!GeneratorAllowed(input.VisibilityCode) || !ContactsFitTheTable(input.ContactJD)) return result;
    result.Created = true;

    table.ClearCells();
    const char type = input.Place.LocalType;
    result.StatusText = ContactsInWords(type, input.ContactJD);

    const double interval = input.Options.PartialInterval * kMinute;
    RowWriter rows(table, input.Defaults, input.Options.MaxExposure);
    switch (type) {
        case 'p':
            PartialLayout(input, interval, table, rows);
            break;
        case 't':
            result.Heading = TableHeaderText('t', input.ContactJD[kC2], input.ContactJD[kC3]);
            TotalLayout(input, interval, table, rows);
            break;
        case 'a':
            result.Heading = TableHeaderText('a', input.ContactJD[kC2], input.ContactJD[kC3]);
            AnnularLayout(input, interval, table, rows);
            break;
        default:
            break;
    }
    return result;
}

}  // namespace zelto
