#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "camera/edsdk.h"

namespace zelto {

// The five shooting properties in the order of the SupportedCodes lists: image quality, AE mode, ISO,
// Av, Tv. Returns the list index 0 to 4, or -1 for any other property number.
int SupportedListIndex(EdsPropertyID property);
inline constexpr std::array<EdsPropertyID, 5> kShootingProperties = {
    kEdsPropImageQuality, kEdsPropAEMode, kEdsPropISOSpeed, kEdsPropAv, kEdsPropTv};
// Capacity of each list: 164, 64, 39, 54, 77 (the named rows of the property's name table).
inline constexpr std::array<int, 5> kSupportedCapacity = {164, 64, 39, 54, 77};

// The codes one property allows: count n means codes[1] to codes[n] are valid; codes[0] is never used.
struct SupportedCodeList {
    uint16_t count = 0;
    std::array<uint32_t, 165> codes{};  // room for the largest capacity (164) plus the unused index 0
};

struct SupportedCodesTable {
    std::array<SupportedCodeList, 5> lists{};  // image quality, AE mode, ISO, Av, Tv

    // The list of a shooting property; std::out_of_range for any other number.
    SupportedCodeList& For(EdsPropertyID property);
    const SupportedCodeList& For(EdsPropertyID property) const;
    // Codes 1 to count of a property, in order.
    std::vector<uint32_t> Codes(EdsPropertyID property) const;
};

// What the program keeps about the camera between the session and the windows.
struct CameraState {
    std::string CameraName;              // empty: no camera connected
    SupportedCodesTable SupportedCodes;  // cleared whole by the camera window before the lists are read
    uint32_t SaveTo = 1;                 // the save-to setting written to the camera: 1 keeps images on its card
};

// The camera's state as the session learnt it: device information, current values of the five
// shooting properties and their allowed-value descriptions.
class TCamera {
public:
    explicit TCamera(const EdsDeviceInfo& deviceInfo);

    const EdsDeviceInfo& DeviceInfo() const { return deviceInfo_; }
    std::string DeviceDescription() const;  // up to the first zero, at most 256 characters

    // Set ignores property numbers other than the five shooting properties; get returns -1 for them.
    void SetPropertyValue(EdsPropertyID property, EdsUInt32 value);
    int64_t GetPropertyValue(EdsPropertyID property) const;

    // Store ignores other property numbers; fetch gives an all-zero record for them.
    void SetPropertyDesc(EdsPropertyID property, const EdsPropertyDesc& desc);
    EdsPropertyDesc GetPropertyDesc(EdsPropertyID property) const;

private:
    EdsDeviceInfo deviceInfo_;
    std::array<EdsUInt32, 5> values_{};        // image quality, AE mode, ISO, Av, Tv
    std::array<EdsPropertyDesc, 5> descs_{};   // image quality, AE mode, ISO, Tv, Av
};

// A property list that does not fit its SupportedCodes list (longer than the capacity or than the
// record, a count above 65535, a negative code). Ends the user action that read the list.
class CameraRangeError : public std::range_error {
public:
    using std::range_error::range_error;
};

// Copies the allowed codes of a description into the property's list (elements 0 to n-1 become
// codes 1 to n). Throws CameraRangeError on a violation; the codes copied before it stay, and the
// count then says how many were copied, so that no reader walks past what the list holds.
void CopySupportedCodes(SupportedCodesTable& table, EdsPropertyID property, const EdsPropertyDesc& desc);

}  // namespace zelto
