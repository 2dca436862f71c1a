#pragma once

#include <string>

#include "camera/edsdk.h"

// What a failed camera call means for its caller, whichever library answered it. The photography
// run retries only what may pass, gives up at once on what cannot, and treats a camera that is gone
// as lost; the gphoto2 backend turns libgphoto2's results into library codes of the matching kind.

namespace zelto {

enum class CameraFailure {
    None,     // success
    Busy,     // the camera is busy: the same call may succeed shortly
    Gone,     // the camera left the bus, was switched off or its session ended: only a new session helps
    Refused,  // the operation or the value is not supported: the same call gets the same answer
    Other,    // any other failure, which may pass: worth trying again
};

CameraFailure ClassifyEdsResult(EdsError result);
// A failed call's result in words, with its code: "the camera is busy (00000081)".
std::string CameraFailureText(EdsError result);

// A camera call's answer as the status line shows it: "Tv: done", "Picture: done after 3 tries",
// "ISO: the camera is busy (00000081), try 2".
std::string CallStatusText(const std::string& what, EdsError result, int trials);

// libgphoto2's results (GP_OK, GP_ERROR_...). An I/O error counts as Gone here; the backend first
// looks for the camera on the bus again and keeps the session when it is still there.
CameraFailure ClassifyGphoto2Result(int result);
// An I/O error in a transfer with the camera, as opposed to a camera that is no longer on the bus.
bool IsGphoto2TransferError(int result);

}  // namespace zelto
