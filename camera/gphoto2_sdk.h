#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "camera/camera_choice.h"
#include "camera/camera_thread.h"
#include "camera/edsdk.h"
#include "camera/gphoto2_port.h"

namespace zelto {

// A camera choice that has no row in the name tables gets a code of its own: this base plus its
// position in the widget's choices. The base lies above every table code and stays positive as a
// 32-bit signed element of a property description.
inline constexpr uint32_t kGphoto2OwnCodeBase = 0x7F000000;

// The table name of a gphoto2 value text for a property kind (kKindImageQuality ... kKindTv), e.g.
// Tv "1/8000" -> "1/8000", "0.5" -> "0\"5", "30" -> "30\""; Av "5.6" or "f/5.6" -> "f/5.6";
// ISO "Auto" -> "AUTO"; image format "RAW + Large Fine JPEG" -> "RAW+JPGaLarFin". Empty when the
// text has no table form.
std::string Gphoto2TableName(int kind, std::string_view text);

// The camera library on libgphoto2. One camera thread owns the port: every call below is a job on
// its queue, and between jobs it looks for camera events every kEventSlice, reporting changed settings
// to the registered property handler (on that thread). The camera is the one on the chosen port
// (CameraChoice): by default the first detected on USB; disk: ports are never offered; a PTP/IP port is
// reached by connecting to it. libgphoto2's own texts go to the text sink. A release whose transfer
// failed counts as taken when the body announces a new file; otherwise, as any failed transfer, it is
// made once more when the camera is still there (found on the bus again, or a PTP/IP body answering a look
// for events); after the camera vanishes every call fails with kEdsErrDeviceNotFound until the next
// detection.
class Gphoto2Sdk final : public EdsSdk, public CameraChoice {
public:
    static constexpr std::chrono::milliseconds kEventSlice{50};

    // portSetting: the port to take (ZELTO_CAMERA_PORT); empty for the first camera on USB.
    explicit Gphoto2Sdk(std::unique_ptr<Gphoto2Port> port, std::string portSetting = {});
    ~Gphoto2Sdk() override;

    // The camera's own text for a code of a shooting property as last read; empty when unknown.
    std::string ChoiceText(EdsPropertyID property, EdsUInt32 code) const override;

    EdsError EdsInitializeSDK() override;
    EdsError EdsTerminateSDK() override;
    EdsError EdsGetCameraList(EdsCameraListRef* outList) override;
    EdsError EdsGetChildCount(EdsBaseRef ref, EdsUInt32* outCount) override;
    EdsError EdsGetChildAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef* outRef) override;
    EdsUInt32 EdsRelease(EdsBaseRef ref) override;
    EdsError EdsGetDeviceInfo(EdsCameraRef camera, EdsDeviceInfo* outInfo) override;
    EdsError EdsSetPropertyEventHandler(EdsCameraRef camera, EdsPropertyEvent event, EdsPropertyEventHandler handler,
                                        void* context) override;
    EdsError EdsSetObjectEventHandler(EdsCameraRef camera, EdsObjectEvent event, EdsObjectEventHandler handler,
                                      void* context) override;
    EdsError EdsOpenSession(EdsCameraRef camera) override;
    EdsError EdsCloseSession(EdsCameraRef camera) override;
    EdsError EdsGetPropertySize(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsDataType* outType,
                                EdsUInt32* outSize) override;
    EdsError EdsGetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsUInt32 size,
                                void* outData) override;
    EdsError EdsSetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsUInt32 size,
                                const void* data) override;
    EdsError EdsGetPropertyDesc(EdsBaseRef ref, EdsPropertyID property, EdsPropertyDesc* outDesc) override;
    EdsError EdsSendStatusCommand(EdsCameraRef camera, EdsUInt32 command, EdsInt32 param) override;
    EdsError EdsSendCommand(EdsCameraRef camera, EdsUInt32 command, EdsInt32 param) override;
    EdsError EdsSetCapacity(EdsCameraRef camera, EdsCapacity capacity) override;
    EdsError EdsGetDirectoryItemInfo(EdsDirectoryItemRef item, EdsDirectoryItemInfo* outInfo) override;
    EdsError EdsCreateFileStream(const char* path, EdsUInt32 disposition, EdsUInt32 access,
                                 EdsStreamRef* outStream) override;
    EdsError EdsSetProgressCallback(EdsBaseRef ref, EdsProgressCallback callback, EdsUInt32 option,
                                    void* context) override;
    EdsError EdsDownload(EdsDirectoryItemRef item, EdsUInt64 size, EdsStreamRef stream) override;
    EdsError EdsDownloadComplete(EdsDirectoryItemRef item) override;

    // --- CameraChoice ---
    std::vector<PortCamera> Cameras() const override;
    int Chosen() const override;
    void Choose(const std::string& port) override;
    void SetTextSink(CameraMessageSink* sink) override;

private:
    static constexpr EdsBaseRef kListRef = 1;
    static constexpr EdsBaseRef kCameraRef = 2;

    // One shooting property's choices as last read: code <-> camera text.
    struct ChoiceMap {
        std::string widget;  // the widget name found on this body; empty before the first read
        std::map<EdsUInt32, std::string> textByCode;
        std::vector<EdsUInt32> codes;  // the code of each choice, in the camera's order
        Gphoto2Widget seen;            // the widget as last read, to tell real changes from noise
    };

    // Runs work on the camera thread and returns its result.
    template <typename Work>
    auto OnCameraThread(Work work) const {
        decltype(work()) result{};
        thread_.Run([&] { result = work(); });
        return result;
    }

    // The rest runs on the camera thread.
    void Detect();
    int OpenChosen();
    EdsError Fail(int gpResult);  // the result code of a port failure; marks a vanished camera
    int OnPort(const std::function<int()>& call);  // made once more after a transfer error
    bool StillThere();  // the open camera is still found after a transfer error
    bool NewPictureArrived();  // after a release's transfer error: the body announced a new file
    EdsError CheckCamera(EdsBaseRef ref) const;
    EdsError ReadChoices(int slot, Gphoto2Widget* widget);
    EdsError ReadSerial(std::string* serial);
    EdsUInt32 CodeOfText(int slot, const std::string& text) const;
    bool LookForEvent();  // the idle step: true when an event came
    void HandleEvent(const Gphoto2Event& event);
    void Say(CameraTextKind kind, const std::string& text);

    std::unique_ptr<Gphoto2Port> port_;
    // Everything below belongs to the camera thread: only jobs and the idle step touch it.
    std::string portSetting_;
    std::vector<PortCamera> cameras_;  // offered by the last detection
    int chosen_ = -1;
    CameraMessageSink* textSink_ = nullptr;
    bool initialized_ = false;
    bool detected_ = false;
    bool open_ = false;
    bool gone_ = false;
    bool eventsSupported_ = true;
    std::string model_;
    EdsUInt32 saveTo_ = 1;
    std::array<ChoiceMap, 5> choices_;
    EdsPropertyEventHandler propertyHandler_ = nullptr;
    void* propertyContext_ = nullptr;
    mutable CameraThread thread_;  // last: it ends, and stops using the members above, first
};

}  // namespace zelto
