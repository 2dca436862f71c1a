#pragma once

#include <cstdint>

#include "camera/edsdk.h"

namespace zelto {

// A camera library event turned into a window message (0x401 property event, 0x402 transfer request,
// 0x403 download progress). session names the TAppMaster whose handlers posted it, so that messages
// still queued when that TAppMaster is gone can be told apart and dropped (TAppMaster::OwnsMessage).
struct CameraMessage {
    EdsUInt32 message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    uint64_t session = 0;
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
