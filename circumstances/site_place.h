#pragma once

#include <array>
#include <string>

namespace zelto {

// Slots of the five-slot arrays, in this order.
enum ContactSlot : int { kC1 = 0, kC2 = 1, kMx = 2, kC3 = 3, kC4 = 4 };
inline constexpr int kContactSlots = 5;

inline constexpr std::array<const char*, kContactSlots> kContactSlotNames = {"C1", "C2", "Mx", "C3", "C4"};

// The kind of eclipse a LocalType stands for, in words.
inline const char* LocalTypeName(char type) {
    switch (type) {
        case 'p':
            return "partial eclipse";
        case 't':
            return "total eclipse";
        case 'a':
            return "annular eclipse";
        default:
            return "no eclipse";
    }
}

// Marker in an altitude slot that the latest pass did not compute.
inline constexpr double kAltitudeNotComputed = -999.0;

// The observer's place with its computed circumstances. A pass always sets PlaceName, the altitude
// markers, LocalType and ContactTime[kMx]; the other fields only as far as the pass gets, so
// consumers test LocalType (and the altitude markers) before reading them.
struct SitePlace {
    std::string PlaceName;
    double Longitude = 0;                               // radians, positive WEST of Greenwich
    double Latitude = 0;                                // radians, geodetic, positive north
    double Height = 0;                                  // metres above the ellipsoid
    std::array<double, kContactSlots> ContactTime{};    // hours t from T0, dynamical time
    std::array<double, kContactSlots> SolarAltitude{};  // radians, or kAltitudeNotComputed
    std::array<double, kContactSlots> PositionAngle{};  // radians in [0, 2π), from the disk's north point
    std::array<double, kContactSlots> VertexAngle{};  // radians in [0, 2π], from the disk's uppermost point
    std::array<double, kContactSlots> Azimuth{};      // radians in (−π, π], from SOUTH, positive west
    double Magnitude = 0;
    char LocalType = '-';  // '-' none, 'p' partial, 't' total, 'a' annular
};

}  // namespace zelto
