#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zelto {

// One solar eclipse with its Besselian elements, fields in catalog order. The polynomials are in
// t = hours of dynamical time counted from T0 of the same record: x = X[0] + X[1]·t + X[2]·t² + X[3]·t³.
struct EclipseRecord {
    int32_t Year;
    int32_t Month;
    int32_t Day;
    int32_t EclipseType;  // 1 partial, 2 total, 3 annular, 4 annular-total, 5 non-central total,
                          // 6 non-central annular
    float Spare;          // −1.0 in every record; nothing reads it
    float Gamma;          // nothing reads it
    float JDT0;           // Julian day of T0; nothing reads it
    int32_t Lunation;     // nothing reads it
    int32_t SarosSeries;  // nothing reads it
    int32_t T0;           // whole hour of dynamical time, 0 to 24 (24 = midnight at the end of the date)
    float X[4];           // shadow axis x, Earth equatorial radii
    float Y[4];           // shadow axis y
    float D[3];           // declination of the shadow axis, degrees
    float Mu[2];          // Greenwich hour angle of the shadow axis, degrees
    float L1[3];          // penumbral cone radius in the fundamental plane
    float L2[3];          // umbral cone radius (negative for total eclipses)
    float TanF1;
    float TanF2;
    uint8_t SarosMember;  // nothing reads it
    uint8_t SarosLength;  // nothing reads it
};

inline constexpr int kEclipseCount = 224;
using EclipseCatalogTable = std::array<EclipseRecord, kEclipseCount>;

// The catalog source, in date order (record n at index n − 1), with JDT0 still unset.
extern const EclipseCatalogTable kCatalogSource;

// Writes the 224 records and their Julian day of T0 (computed from the date and T0).
void FillEclipseCatalog(EclipseCatalogTable& catalog);

// The compiled-in catalog, filled on first use.
const EclipseCatalogTable& BuiltInCatalog();

// Record n (1 to 224) of a filled catalog. Callers keep to that range.
inline const EclipseRecord& CatalogRecord(const EclipseCatalogTable& catalog, int number) {
    return catalog[static_cast<std::size_t>(number - 1)];
}

inline bool IsValidEclipseNumber(int number) { return number >= 1 && number <= kEclipseCount; }

// The number of the first eclipse whose UT date has not ended at `nowJD` (today's counts), for a first
// start; the last one when all are past, the first when all are ahead.
int NextEclipseNumber(const EclipseCatalogTable& catalog, double nowJD);

}  // namespace zelto
