#pragma once

#include <cstdint>
#include <string>

#include "camera/edsdk.h"

namespace zelto {

// A text the camera library reports on its own (libgphoto2's error, status and message texts), posted
// as message 0x404 with the kind as first parameter. It belongs to no session: the window shows it in
// its status bar and keeps it in the camera log whenever it arrives.
inline constexpr EdsUInt32 kCameraMessageText = 0x404;
enum class CameraTextKind : uintptr_t { Error = 0, Status = 1, Message = 2 };

// A camera library event turned into a window message (0x401 property event, 0x402 transfer request,
// 0x403 download progress, 0x404 library text). session names the TAppMaster whose handlers posted it,
// so that messages still queued when that TAppMaster is gone can be told apart and dropped
// (TAppMaster::OwnsMessage).
struct CameraMessage {
    EdsUInt32 message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    uint64_t session = 0;
    std::string text = {};  // 0x404 only
};

// Where the library's handlers post their messages: the camera window, which queues them for its
// own thread. Post may be called on any thread and must not do more than queue the message (it must
// not call back into the camera session). On its own thread the window hands a message to its
// TAppMaster only when TAppMaster::OwnsMessage accepts it, and drops it when there is no TAppMaster.
class CameraMessageSink {
public:
    virtual ~CameraMessageSink() = default;
    virtual void Post(const CameraMessage& message) = 0;
};

}  // namespace zelto
