#include "camera/camera_failure.h"

#include "camera/gphoto2_port.h"
#include "eclipse_data/datetext.h"

namespace zelto {

CameraFailure ClassifyEdsResult(EdsError result) {
    switch (result) {
        case kEdsErrOk:
            return CameraFailure::None;
        case kEdsErrDeviceBusy:
            return CameraFailure::Busy;
        case kEdsErrDeviceNotFound:
        case kEdsErrCommDisconnected:
        case kEdsErrInvalidHandle:  // the camera reference died with its device
        case kEdsErrSessionNotOpen:
        case kEdsErrNotInitialized:
            return CameraFailure::Gone;
        case kEdsErrNotSupported:
        case kEdsErrPropertiesUnavailable:
        case kEdsErrInvalidParameter:
        case kEdsErrDeviceInvalidParameter:
            return CameraFailure::Refused;
        default:
            return CameraFailure::Other;
    }
}

std::string CameraFailureText(EdsError result) {
    const char* words = "the camera failed";
    switch (ClassifyEdsResult(result)) {
        case CameraFailure::None:
            return "no error";
        case CameraFailure::Busy:
            words = "the camera is busy";
            break;
        case CameraFailure::Gone:
            words = "the camera does not answer";
            break;
        case CameraFailure::Refused:
            words = "the camera refuses it";
            break;
        case CameraFailure::Other:
            break;
    }
    return std::string(words) + " (" + HexText(result, 4) + ")";
}

bool IsGphoto2TransferError(int result) {
    return result == kGpErrorIo || result == kGpErrorIoRead || result == kGpErrorIoWrite;
}

CameraFailure ClassifyGphoto2Result(int result) {
    if (result >= kGpOk) return CameraFailure::None;
    if (IsGphoto2TransferError(result)) return CameraFailure::Gone;
    switch (result) {
        case kGpErrorCameraBusy:
        case kGpErrorTimeout:
            return CameraFailure::Busy;
        case kGpErrorIoUsbFind:
        case kGpErrorModelNotFound:
            return CameraFailure::Gone;
        case kGpErrorNotSupported:
        case kGpErrorBadParameters:
            return CameraFailure::Refused;
        default:
            return CameraFailure::Other;
    }
}

std::string CallStatusText(const std::string& what, EdsError result, int trials) {
    if (result != kEdsErrOk)
        return what + ": " + CameraFailureText(result) + ", try " + std::to_string(trials);
    if (trials <= 1) return what + ": done";
    return what + ": done after " + std::to_string(trials) + " tries";
}

}  // namespace zelto
