#include "circumstances/solver.h"

#include <cmath>
#include <numbers>

#include "eclipse_data/julian.h"

namespace zelto {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kDegToRad = 0.017453292519943295;
constexpr double kAxisRatio = 0.99664719;        // b/a of the Earth
constexpr double kEquatorialRadius = 6378140.0;  // metres
constexpr double kDeltaTRotation = 0.00417807;   // degrees of rotation per second of ΔT
constexpr double kLimbEccentricitySquared = 0.00672267;
constexpr double kContactConvergence = 1e-6;    // hours
constexpr double kGreatestEclipseStep = 1e-12;  // hours
constexpr double kPenumbraConvergence = 6e-9;
// The greatest-eclipse walk needs at most 64 steps for a catalog record; a record whose axis never turns
// back toward the Earth's centre would walk for ever.
constexpr int kGreatestEclipseStepLimit = 100000;

// The record's single-precision coefficients, widened once per pass.
struct Elements {
    double x[4], y[4], d[3], mu[2], l1[3], l2[3], tanF1, tanF2;

    explicit Elements(const EclipseRecord& r) {
        for (int i = 0; i < 4; ++i) x[i] = r.X[i], y[i] = r.Y[i];
        for (int i = 0; i < 3; ++i) d[i] = r.D[i], l1[i] = r.L1[i], l2[i] = r.L2[i];
        mu[0] = r.Mu[0];
        mu[1] = r.Mu[1];
        tanF1 = r.TanF1;
        tanF2 = r.TanF2;
    }
};

// The element values at an instant t.
struct ElementState {
    double x, y, d, sinD, cosD, mu, l1, l2, dx, dy;
};

ElementState StateAt(const Elements& e, double t) {
    ElementState s;
    s.x = e.x[0] + t * (e.x[1] + t * (e.x[2] + t * e.x[3]));
    s.y = e.y[0] + t * (e.y[1] + t * (e.y[2] + t * e.y[3]));
    s.d = (e.d[0] + t * (e.d[1] + t * e.d[2])) * kDegToRad;
    s.sinD = std::sin(s.d);
    s.cosD = std::cos(s.d);
    s.mu = (e.mu[0] + e.mu[1] * t) * kDegToRad;  // not reduced to one turn
    s.l1 = e.l1[0] + t * (e.l1[1] + t * e.l1[2]);
    s.l2 = e.l2[0] + t * (e.l2[1] + t * e.l2[2]);
    s.dx = e.x[1] + t * (2 * e.x[2] + 3 * e.x[3] * t);
    s.dy = e.y[1] + t * (2 * e.y[2] + 3 * e.y[3] * t);
    return s;
}

// The observer's fixed quantities for one pass.
struct Observer {
    double rhoSin;     // ρ sin φ′
    double rhoCos;     // ρ cos φ′
    double longitude;  // radians, west positive
    double rotation;   // the ΔT term of the hour angle, radians
    double sinPhi, cosPhi;
};

Observer MakeObserver(const SitePlace& place, double deltaT) {
    const double sinPhi = std::sin(place.Latitude);
    const double cosPhi = std::cos(place.Latitude);
    const double u = std::atan(kAxisRatio * sinPhi / cosPhi);
    const double h = place.Height / kEquatorialRadius;
    return {kAxisRatio * std::sin(u) + h * sinPhi,
            std::cos(u) + h * cosPhi,
            place.Longitude,
            kDeltaTRotation * deltaT * kDegToRad,
            sinPhi,
            cosPhi};
}

// The observer in the fundamental plane at one instant.
struct Evaluation {
    double u, v, a, b, n2, n, L1, L2;
    double H, sinH, cosH, sinD, cosD, eta;
};

Evaluation Evaluate(const Elements& e, const Observer& o, double t) {
    const ElementState s = StateAt(e, t);
    Evaluation r;
    r.H = s.mu - o.longitude - o.rotation;
    r.sinH = std::sin(r.H);
    r.cosH = std::cos(r.H);
    r.sinD = s.sinD;
    r.cosD = s.cosD;
    const double xi = o.rhoCos * r.sinH;
    r.eta = o.rhoSin * s.cosD - o.rhoCos * r.cosH * s.sinD;
    const double zeta = o.rhoSin * s.sinD + o.rhoCos * r.cosH * s.cosD;
    // μ1 is the record's constant rate and d1 its linear coefficient only.
    const double dXi = e.mu[1] * kDegToRad * o.rhoCos * r.cosH;
    const double dEta = (e.mu[1] * xi * s.sinD - zeta * e.d[1]) * kDegToRad;
    r.u = s.x - xi;
    r.v = s.y - r.eta;
    r.a = s.dx - dXi;
    r.b = s.dy - dEta;
    r.L1 = s.l1 - zeta * e.tanF1;
    r.L2 = s.l2 - zeta * e.tanF2;
    r.n2 = r.a * r.a + r.b * r.b;
    r.n = std::sqrt(r.n2);
    return r;
}

// Correction from the current instant toward the closest approach of the shadow axis.
double TowardMaximum(const Evaluation& e) {
    return -(e.u * e.a + e.v * e.b) / e.n2;
}

// (L/n)·√(1 − S²) with S = (a·v − u·b)/(n·L). A contact needs −1 < S ≤ 1; outside that (S ≤ −1,
// and S > 1 where the edge only grazes the place and the root has no real value) the half-chord
// is taken as absent, so the loop takes a zero correction and stops at its current instant.
bool HalfChord(const Evaluation& e, double radius, double& halfChord) {
    const double s = (e.a * e.v - e.u * e.b) / (e.n * radius);
    if (!(s > -1 && s <= 1)) return false;
    halfChord = radius / e.n * std::sqrt(1 - s * s);
    return true;
}

struct LoopEnd {
    double t;
    Evaluation last;  // made before the last correction
    bool converged;
};

// Repeats: evaluate at t, t += correction, until |correction| < 1e-6 h. A relative motion n = 0 or a
// non-finite correction ends the loop unconverged at once; so does the iteration cap.
template <typename Correction>
LoopEnd Iterate(const Elements& elements, const Observer& observer, double t, Correction correction) {
    Evaluation e{};
    for (int i = 0; i < kContactIterationLimit; ++i) {
        e = Evaluate(elements, observer, t);
        if (!(e.n2 > 0) || !std::isfinite(e.n2)) return {t, e, false};
        const double tau = correction(e);
        if (!std::isfinite(tau) || !std::isfinite(t + tau)) return {t, e, false};
        t += tau;
        if (std::fabs(tau) < kContactConvergence) return {t, e, true};
    }
    return {t, e, false};
}

// A contact loop: the outer (radius L1) or inner (L2) edge, toward the later (+1) or earlier (−1)
// root of the linearised motion.
LoopEnd ContactLoop(const Elements& elements, const Observer& observer, double start, bool inner,
                    double side) {
    return Iterate(elements, observer, start, [inner, side](const Evaluation& e) {
        double halfChord = 0;
        if (!HalfChord(e, inner ? e.L2 : e.L1, halfChord)) return 0.0;
        return TowardMaximum(e) + side * halfChord;
    });
}

double Positive(double angle) {
    while (angle < 0) angle += kTwoPi;
    while (angle >= kTwoPi) angle -= kTwoPi;
    return angle;
}

struct Angles {
    double position, vertex, altitude, azimuth;
};

Angles AnglesAt(const Evaluation& e, const Observer& o) {
    Angles r;
    r.position = Positive(ArcTan2(e.u, e.v));
    const double sinAlt = o.sinPhi * e.sinD + o.cosPhi * e.cosD * e.cosH;
    const double cosAlt = std::sqrt(std::fmax(0.0, 1 - sinAlt * sinAlt));
    r.altitude = ArcSin(sinAlt);
    r.azimuth = ArcTan2(e.sinH, o.sinPhi * e.cosH - o.cosPhi * e.sinD / e.cosD);
    // Parallactic angle. With the Sun in the zenith it has no direction; it is taken as 0 there.
    double sinQ = cosAlt > 0 ? o.cosPhi * e.sinH / cosAlt : 0.0;
    sinQ = std::fmax(-1.0, std::fmin(1.0, sinQ));
    double cosQ = std::sqrt(1 - sinQ * sinQ);
    if (e.eta < 0) cosQ = -cosQ;
    double vertex = r.position - ArcTan2(sinQ, cosQ);
    while (vertex < 0) vertex += kTwoPi;
    while (vertex > kTwoPi) vertex -= kTwoPi;
    r.vertex = vertex;
    return r;
}

void Store(SitePlace& place, int slot, double t, const Angles& angles, double turn) {
    place.ContactTime[slot] = t;
    place.PositionAngle[slot] = turn == 0 ? angles.position : FMod(angles.position + turn, kTwoPi);
    place.VertexAngle[slot] = turn == 0 ? angles.vertex : FMod(angles.vertex + turn, kTwoPi);
    place.SolarAltitude[slot] = angles.altitude;
    place.Azimuth[slot] = angles.azimuth;
}

// Stores a converged contact; an unconverged one leaves its altitude marker, so it is not computed.
void StoreContact(SitePlace& place, int slot, const LoopEnd& end, const Observer& observer, double turn) {
    if (end.converged) Store(place, slot, end.t, AnglesAt(end.last, observer), turn);
}

// The two inner-contact loops, both started from the maximum. For a total eclipse L2 < 0, so the "+"
// root comes first: `first` is C2 of a total and C3 of an annular eclipse.
struct InnerContacts {
    LoopEnd first, second;
};

InnerContacts InnerContactLoops(const Elements& elements, const Observer& observer, const LoopEnd& maximum) {
    double inner = 0;
    HalfChord(maximum.last, maximum.last.L2, inner);
    return {ContactLoop(elements, observer, maximum.t - inner, true, +1),
            ContactLoop(elements, observer, maximum.t + inner, true, -1)};
}

}  // namespace

void ComputeLocalCircumstances(const EclipseRecord& eclipse, double deltaT, SitePlace& place) {
    place.PlaceName = "MyObsPlace";
    const Elements elements(eclipse);
    const Observer observer = MakeObserver(place, deltaT);
    place.SolarAltitude.fill(kAltitudeNotComputed);
    place.LocalType = '-';

    const LoopEnd maximum = Iterate(elements, observer, 0.0, TowardMaximum);
    place.ContactTime[kMx] = std::isfinite(maximum.t) ? maximum.t : 0.0;
    // Without a converged maximum nothing else has a meaning: the pass reports no eclipse.
    if (!maximum.converged) return;

    const Evaluation& e = maximum.last;
    const double m = std::sqrt(e.u * e.u + e.v * e.v);
    const double magnitude = (e.L1 - m) / (e.L1 + e.L2);
    if (!(e.L1 + e.L2 > 0) || !(magnitude >= 0)) return;  // no eclipse at the place

    place.Magnitude = magnitude;
    place.LocalType = std::fabs(e.L2) <= m ? 'p' : (e.L2 < 0 ? 't' : 'a');
    Store(place, kMx, maximum.t, AnglesAt(e, observer), 0);

    // First and fourth contact, both started from the maximum.
    double outer = 0;
    HalfChord(e, e.L1, outer);
    StoreContact(place, kC1, ContactLoop(elements, observer, maximum.t - outer, false, -1), observer, 0);
    StoreContact(place, kC4, ContactLoop(elements, observer, maximum.t + outer, false, +1), observer, 0);
    if (place.LocalType == 'p') return;

    // The inner contacts start from the maximum again. Its loop from t = 0 would repeat the one above
    // step for step, so its result is reused.
    const InnerContacts inner = InnerContactLoops(elements, observer, maximum);
    if (place.LocalType == 't') {
        // Inside the umbra the contact point lies opposite the direction of the shadow axis.
        StoreContact(place, kC2, inner.first, observer, kPi);
        StoreContact(place, kC3, inner.second, observer, kPi);
    } else {
        StoreContact(place, kC3, inner.first, observer, 0);
        StoreContact(place, kC2, inner.second, observer, 0);
    }
}

MaximumCircumstances ComputeMaximumCircumstances(const EclipseRecord& eclipse, double deltaT,
                                                 const SitePlace& place, bool centralDuration, double start) {
    MaximumCircumstances result;
    const Elements elements(eclipse);
    const Observer observer = MakeObserver(place, deltaT);
    const LoopEnd maximum = Iterate(elements, observer, start, TowardMaximum);
    if (!maximum.converged) return result;

    const Evaluation& e = maximum.last;
    const double m = std::sqrt(e.u * e.u + e.v * e.v);
    result.converged = true;
    result.time = maximum.t;
    result.magnitude = (e.L1 - m) / (e.L1 + e.L2);
    // At the maximum (u, v) is square to the relative motion (a, b), so m is the distance across the
    // track; the sign of the cross product says on which side of the axis's track the place lies.
    result.axisOffset = std::copysign(m, e.u * e.b - e.v * e.a);
    result.umbralRadius = std::fabs(e.L2);
    result.sunAltitude = ArcSin(observer.sinPhi * e.sinD + observer.cosPhi * e.cosD * e.cosH);
    if (centralDuration && m < result.umbralRadius && result.magnitude >= 0) {
        const InnerContacts inner = InnerContactLoops(elements, observer, maximum);
        if (inner.first.converged && inner.second.converged)
            result.centralDuration = std::fabs(inner.second.t - inner.first.t) * 3600;
    }
    return result;
}

std::optional<SitePlace> GreatestEclipsePlace(const EclipseRecord& eclipse, double deltaT) {
    const double t = ComputeGreatestEclipseTime(eclipse);
    const ElementState s = StateAt(Elements(eclipse), t);
    // The axis meets the ellipsoid: scale the fundamental plane so that the Earth becomes a sphere.
    const double e2 = 1 - kAxisRatio * kAxisRatio;
    const double rho1 = std::sqrt(1 - e2 * s.cosD * s.cosD);
    const double y1 = s.y / rho1;
    const double sinD1 = s.sinD / rho1;
    const double cosD1 = kAxisRatio * s.cosD / rho1;
    const double under = 1 - s.x * s.x - y1 * y1;
    if (under < 0) return std::nullopt;
    const double zeta1 = std::sqrt(under);
    const double sinPhi1 = y1 * cosD1 + zeta1 * sinD1;
    const double hourAngle = std::atan2(s.x, zeta1 * cosD1 - y1 * sinD1);
    SitePlace place;
    place.Latitude = std::atan(sinPhi1 / std::sqrt(1 - sinPhi1 * sinPhi1) / kAxisRatio);  // geodetic
    place.Longitude = std::remainder(s.mu - kDeltaTRotation * deltaT * kDegToRad - hourAngle, kTwoPi);
    return place;
}

double ComputeGreatestEclipseTime(const EclipseRecord& eclipse) {
    const Elements elements(eclipse);
    const auto approach = [&elements](double t) {
        const ElementState s = StateAt(elements, t);
        return s.x * s.dx + s.y * s.dy;  // half the rate of change of x² + y²
    };
    double t = 0;
    double step = 1;
    int steps = 0;
    for (;;) {
        do {
            t += step;
            if (++steps > kGreatestEclipseStepLimit) return 0;
        } while (!(approach(t) > 0));
        step = -step / 3;
        do {
            t += step;
            if (++steps > kGreatestEclipseStepLimit) return 0;
        } while (!(approach(t) < 0));
        step = -step / 3;
        if (std::fabs(step) < kGreatestEclipseStep) return t;
    }
}

PenumbraContact PenumbraContactTime(const EclipseRecord& eclipse, double lower, double upper) {
    const Elements elements(eclipse);
    const auto contact = [&elements](double t) {
        const ElementState s = StateAt(elements, t);
        const double rho1 = std::sqrt(1 - kLimbEccentricitySquared * s.cosD * s.cosD);
        const double y1 = s.y / rho1;
        const double m0 = std::sqrt(s.x * s.x + s.y * s.y);
        const double m1 = std::sqrt(s.x * s.x + y1 * y1);
        // The Earth's limb radius toward the shadow axis; an axis through the centre has no direction.
        const double rho = m1 > 0 ? m0 / m1 : 1.0;
        const double reach = s.l1 + rho;
        return s.x * s.x + s.y * s.y - reach * reach;
    };
    double c = lower;
    double b = upper;
    double fc = contact(c);
    double fb = contact(b);
    const int sb = Sign(fb);
    int i = 0;
    double t = 0;
    double ft = 0;
    do {
        ++i;
        t = c + (b - c) * fc / (fc - fb);
        ft = contact(t);
        // A bracket without a sign change can divide by zero; such a search has failed.
        if (!std::isfinite(ft)) return {0, i};
        if (Sign(ft) == sb) {
            b = t;
            fb = ft;
        } else {
            c = t;
            fc = ft;
        }
    } while (!(std::fabs(ft) < kPenumbraConvergence) && i <= kPenumbraIterationLimit);
    if (i <= kPenumbraIterationLimit) return {t, i};
    return {0, i};
}

double SolverTimeToJD(const EclipseRecord& eclipse, double t, double deltaT) {
    return CalendarToJD(eclipse.Year, eclipse.Month, eclipse.Day, eclipse.T0, 0, t * 3600 - deltaT);
}

}  // namespace zelto
