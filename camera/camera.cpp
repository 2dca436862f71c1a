#include "camera/camera.h"

#include <cstring>

namespace zelto {

namespace {

// TCamera keeps its descriptions in the order image quality, AE mode, ISO, Tv, Av.
int DescIndex(EdsPropertyID property) {
    switch (property) {
        case kEdsPropImageQuality: return 0;
        case kEdsPropAEMode: return 1;
        case kEdsPropISOSpeed: return 2;
        case kEdsPropTv: return 3;
        case kEdsPropAv: return 4;
        default: return -1;
    }
}

}  // namespace

int SupportedListIndex(EdsPropertyID property) {
    for (size_t i = 0; i < kShootingProperties.size(); ++i) {
        if (kShootingProperties[i] == property) return static_cast<int>(i);
    }
    return -1;
}

SupportedCodeList& SupportedCodesTable::For(EdsPropertyID property) {
    const int index = SupportedListIndex(property);
    if (index < 0) throw std::out_of_range("not a shooting property");
    return lists[static_cast<size_t>(index)];
}

const SupportedCodeList& SupportedCodesTable::For(EdsPropertyID property) const {
    return const_cast<SupportedCodesTable*>(this)->For(property);
}

std::vector<uint32_t> SupportedCodesTable::Codes(EdsPropertyID property) const {
    const SupportedCodeList& list = For(property);
    return std::vector<uint32_t>(list.codes.begin() + 1, list.codes.begin() + 1 + list.count);
}

TCamera::TCamera(const EdsDeviceInfo& deviceInfo) : deviceInfo_(deviceInfo) {}

std::string TCamera::DeviceDescription() const {
    const char* text = deviceInfo_.szDeviceDescription;
    size_t length = 0;
    while (length < sizeof deviceInfo_.szDeviceDescription && text[length] != '\0') ++length;
    return std::string(text, length);
}

void TCamera::SetPropertyValue(EdsPropertyID property, EdsUInt32 value) {
    const int index = SupportedListIndex(property);
    if (index >= 0) values_[static_cast<size_t>(index)] = value;
}

int64_t TCamera::GetPropertyValue(EdsPropertyID property) const {
    const int index = SupportedListIndex(property);
    return index >= 0 ? static_cast<int64_t>(values_[static_cast<size_t>(index)]) : -1;
}

void TCamera::SetPropertyDesc(EdsPropertyID property, const EdsPropertyDesc& desc) {
    const int index = DescIndex(property);
    if (index >= 0) descs_[static_cast<size_t>(index)] = desc;
}

EdsPropertyDesc TCamera::GetPropertyDesc(EdsPropertyID property) const {
    const int index = DescIndex(property);
    if (index < 0) return EdsPropertyDesc{};
    return descs_[static_cast<size_t>(index)];
}

void CopySupportedCodes(SupportedCodesTable& table, EdsPropertyID property, const EdsPropertyDesc& desc) {
    const int listIndex = SupportedListIndex(property);
    if (listIndex < 0) return;
    SupportedCodeList& list = table.lists[static_cast<size_t>(listIndex)];
    const int capacity = kSupportedCapacity[static_cast<size_t>(listIndex)];
    const int32_t n = desc.numElements;
    if (n < 0 || n > 65535) throw CameraRangeError("Range check error: list count out of range");
    list.count = static_cast<uint16_t>(n);
    constexpr int kRecordElements = static_cast<int>(sizeof desc.propDesc / sizeof desc.propDesc[0]);
    for (int i = 1; i <= n; ++i) {
        if (i > capacity || i > kRecordElements || desc.propDesc[i - 1] < 0) {
            list.count = static_cast<uint16_t>(i - 1);  // only what was copied counts
            throw CameraRangeError(i > capacity || i > kRecordElements
                                       ? "Range check error: list longer than its capacity"
                                       : "Range check error: negative code");
        }
        list.codes[static_cast<size_t>(i)] = static_cast<uint32_t>(desc.propDesc[i - 1]);
    }
}

}  // namespace zelto
