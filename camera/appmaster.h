#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "camera/camera.h"
#include "camera/edsdk.h"
#include "camera/message_sink.h"

namespace zelto {

// The only part of the program that talks to the camera library: one session with the first camera
// the library reports. Every operation returns the library's 32-bit result, 0 meaning success.
// All operations run on the window's thread; the library's handlers only post messages to the
// window's sink.
class TAppMaster {
public:
    // Initialises the library and picks the first camera; never fails as a whole (DeviceName is
    // empty when no camera was found). The library's handlers will post to window; the lists read
    // go to state.SupportedCodes and state.SaveTo is the value written as the save-to setting.
    static std::unique_ptr<TAppMaster> Create(EdsSdk& sdk, CameraMessageSink* window, CameraState& state);

    // Destroy, then free.
    ~TAppMaster();
    TAppMaster(const TAppMaster&) = delete;
    TAppMaster& operator=(const TAppMaster&) = delete;

    EdsError SetEventHandlers();
    EdsError OpenSession();
    std::string DeviceName() const;  // empty without a TCamera
    TCamera* Camera() { return camera_.get(); }
    const TCamera* Camera() const { return camera_.get(); }
    EdsError ApplySaveTo();
    EdsError ReadProperty(EdsPropertyID property);      // 0xFFFF: all five, stopping at the first failure
    EdsError ReadPropertyList(EdsPropertyID property);  // may throw CameraRangeError (see CopySupportedCodes)
    EdsError WriteProperty(EdsPropertyID property, EdsUInt32 value);
    EdsError TakePicture();
    EdsError Download(EdsDirectoryItemRef item, const std::string& folder);
    // The deadline of the calls that follow (true once an answer would come too late), where the
    // library's calls have deadlines (DeadlineSdk); empty: each call's own limit.
    void SetCallDeadline(std::function<bool()> deadline);

    // Closes the session, frees the TCamera and terminates the library (nothing when the library was
    // never initialised). From here on no handler posts for this session any more. Safe to repeat.
    void Destroy();

    // The token the handlers stamp on their messages. A message belongs to this TAppMaster only when
    // its session matches; the window drops every other one (it was queued for an earlier session).
    uint64_t Session() const { return session_; }
    bool OwnsMessage(const CameraMessage& message) const {
        return !destroyed_ && message.session == session_;
    }

    bool SdkReady() const { return sdkReady_; }
    bool SessionOpen() const { return sessionOpen_; }
    bool Legacy() const { return legacy_; }
    EdsCameraRef CameraRef() const { return cameraRef_; }

    // The handlers registered with the library: each only posts a message for the session whose token
    // is the context value, and does nothing once that session has been destroyed.
    static EdsError PropertyHandler(EdsPropertyEvent event, EdsPropertyID property, EdsUInt32 param, void* context);
    static EdsError ObjectHandler(EdsObjectEvent event, EdsBaseRef ref, void* context);
    static EdsError ProgressHandler(EdsUInt32 percent, void* context, EdsBool* cancel);

private:
    TAppMaster(EdsSdk& sdk, CameraMessageSink* window, CameraState& state);
    void* Context() const;
    EdsError ReadOneProperty(EdsPropertyID property);
    EdsError ReadOnePropertyList(EdsPropertyID property);

    EdsSdk& sdk_;
    CameraState& state_;
    CameraMessageSink* window_;
    bool sdkReady_ = false;
    std::unique_ptr<TCamera> camera_;
    bool sessionOpen_ = false;
    bool legacy_ = false;
    EdsCameraRef cameraRef_ = kEdsNoRef;
    uint64_t session_ = 0;
    bool destroyed_ = false;
};

// Connects to the first camera the library finds, as zelto-cli and a run's reconnect do: the
// handlers, the session, the save-to setting, the allowed values of the five shooting properties
// (into state.SupportedCodes, cleared first) and their current values; state.CameraName becomes the
// camera's name. Null, with nothing changed in state, when the library finds no camera. The caller
// tells a camera whose session did not open by SessionOpen(). May throw CameraRangeError.
std::unique_ptr<TAppMaster> OpenCameraSession(EdsSdk& sdk, CameraMessageSink* window, CameraState& state);

// The native folder separator, added to a download folder that lacks it.
#ifdef _WIN32
inline constexpr char kFolderSeparator = '\\';
#else
inline constexpr char kFolderSeparator = '/';
#endif

}  // namespace zelto
