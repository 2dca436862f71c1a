#include "camera/camera_failure.h"

#include "camera/gphoto2_port.h"

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

}  // namespace zelto
