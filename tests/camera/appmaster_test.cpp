#include "camera/appmaster.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camera/virtual_camera.h"
#include "recording_sink.h"

namespace zelto {
namespace {

using ::testing::ElementsAre;
using Names = std::vector<std::string>;
using Args = std::vector<uint64_t>;

constexpr EdsError kBusy = kEdsErrDeviceBusy;

// A session with the simulated body: created, handlers set and session opened, log cleared.
struct Connected {
    explicit Connected(bool legacy = false) {
        camera.SetLegacy(legacy);
        master = TAppMaster::Create(camera, &sink, state);
        master->SetEventHandlers();
        master->OpenSession();
        camera.ClearCalls();
    }
    VirtualCamera camera;
    RecordingSink sink;
    CameraState state;
    std::unique_ptr<TAppMaster> master;
};

TEST(TAppMaster, NoCameraAttached) {
    VirtualCamera camera;
    camera.SetAttached(false);
    RecordingSink sink;
    CameraState state;
    auto master = TAppMaster::Create(camera, &sink, state);

    const auto calls = camera.Calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(camera.CallNames(),
              (Names{"EdsInitializeSDK", "EdsGetCameraList", "EdsGetChildCount", "EdsGetChildAtIndex", "EdsRelease"}));
    EXPECT_NE(calls[3].result, kEdsErrOk);
    EXPECT_EQ(calls[4].args, calls[2].args);  // the list is released
    EXPECT_FALSE(camera.IsLive(calls[2].args[0]));
    EXPECT_TRUE(master->SdkReady());
    EXPECT_EQ(master->CameraRef(), kEdsNoRef);
    EXPECT_EQ(master->Camera(), nullptr);
    EXPECT_EQ(master->DeviceName(), "");

    camera.ClearCalls();
    EXPECT_EQ(master->SetEventHandlers(), kEdsErrOk);
    EXPECT_EQ(master->ApplySaveTo(), kEdsErrOk);
    EXPECT_EQ(master->TakePicture(), kEdsErrOk);
    EXPECT_TRUE(camera.Calls().empty());
    EXPECT_NE(master->OpenSession(), kEdsErrOk);  // the empty reference goes to the library, which refuses it
    EXPECT_FALSE(master->SessionOpen());
    ASSERT_EQ(camera.Calls().size(), 1u);
    EXPECT_EQ(camera.Calls()[0].args, Args{kEdsNoRef});

    camera.ClearCalls();
    master->Destroy();
    EXPECT_EQ(camera.CallNames(), Names{"EdsTerminateSDK"});
    master.reset();  // destroying again calls nothing
    EXPECT_EQ(camera.CallNames(), Names{"EdsTerminateSDK"});
}

TEST(TAppMaster, LibraryThatCannotInitialiseIsNeverTerminated) {
    VirtualCamera camera;
    camera.FailCall("EdsInitializeSDK", kEdsErrInternal);
    CameraState state;
    auto master = TAppMaster::Create(camera, nullptr, state);
    EXPECT_FALSE(master->SdkReady());
    EXPECT_EQ(master->DeviceName(), "");
    master.reset();
    EXPECT_EQ(camera.CallNames(), Names{"EdsInitializeSDK"});
}

TEST(TAppMaster, CameraFoundGivesItsNameAndProtocol) {
    for (bool legacy : {false, true}) {
        VirtualCamera camera;
        camera.SetLegacy(legacy);
        camera.SetDeviceDescription("Canon EOS 90D");
        CameraState state;
        auto master = TAppMaster::Create(camera, nullptr, state);
        EXPECT_EQ(master->DeviceName(), "Canon EOS 90D");
        EXPECT_EQ(master->Legacy(), legacy);
        EXPECT_EQ(master->CameraRef(), camera.CameraReference());
        EXPECT_FALSE(camera.IsLive(camera.Calls()[2].args[0]));  // the camera list is released
        ASSERT_NE(master->Camera(), nullptr);
        EXPECT_EQ(master->Camera()->GetPropertyValue(kEdsPropSaveTo), -1);  // not a shooting property
    }
}

// Legacy bodies get neither UI lock nor capacity; the others get both around the save-to write.
TEST(TAppMaster, LegacyAndCurrentProtocols) {
    struct Case {
        bool legacy;
        Names openSession, takePicture, applySaveTo;
    };
    const Case cases[] = {
        {true, {"EdsOpenSession", "EdsSetPropertyData"}, {"EdsSendCommand"}, {"EdsSetPropertyData"}},
        {false,
         {"EdsOpenSession", "EdsSetPropertyData", "EdsSendStatusCommand", "EdsSetCapacity", "EdsSendStatusCommand"},
         {"EdsSendStatusCommand", "EdsSendCommand", "EdsSendStatusCommand"},
         {"EdsSendStatusCommand", "EdsSetPropertyData", "EdsSendStatusCommand"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legacy ? "legacy" : "current");
        VirtualCamera camera;
        camera.SetLegacy(c.legacy);
        CameraState state;
        auto master = TAppMaster::Create(camera, nullptr, state);
        camera.ClearCalls();
        EXPECT_EQ(master->OpenSession(), kEdsErrOk);
        EXPECT_TRUE(master->SessionOpen());
        EXPECT_EQ(camera.CallNames(), c.openSession);
        const auto open = camera.Calls();
        const EdsCameraRef ref = camera.CameraReference();
        EXPECT_EQ(open[1].args, (Args{ref, kEdsPropSaveTo, 0, 4, 1}));
        if (!c.legacy) {
            EXPECT_EQ(open[2].args, (Args{ref, kEdsCameraStatusUILock, 0}));
            EXPECT_EQ(open[3].args, (Args{ref, 0x7FFFFFFF, 0x1000, 1}));
            EXPECT_EQ(open[4].args, (Args{ref, kEdsCameraStatusUIUnLock, 0}));
        }
        camera.ClearCalls();
        EXPECT_EQ(master->TakePicture(), kEdsErrOk);
        EXPECT_EQ(camera.CallNames(), c.takePicture);
        EXPECT_EQ(camera.PicturesTaken(), 1);
        EXPECT_FALSE(camera.UiLocked());
        camera.ClearCalls();
        EXPECT_EQ(master->ApplySaveTo(), kEdsErrOk);
        EXPECT_EQ(camera.CallNames(), c.applySaveTo);

        camera.ClearCalls();
        master->Destroy();
        EXPECT_EQ(camera.CallNames(), (Names{"EdsCloseSession", "EdsTerminateSDK"}));
        EXPECT_EQ(master->Camera(), nullptr);
    }
}

// Which call fails decides where each operation stops and what it returns.
TEST(TAppMaster, FailuresStopAtTheirStep) {
    struct Case {
        const char* what;
        const char* failing;
        EdsError (*operation)(TAppMaster&);
        Names calls;
    };
    auto open = [](TAppMaster& m) { return m.OpenSession(); };
    auto shot = [](TAppMaster& m) { return m.TakePicture(); };
    auto saveTo = [](TAppMaster& m) { return m.ApplySaveTo(); };
    const Case cases[] = {
        {"open fails", "EdsOpenSession", open, {"EdsOpenSession"}},
        {"save-to write fails", "EdsSetPropertyData", open, {"EdsOpenSession", "EdsSetPropertyData"}},
        {"lock fails", "EdsSendStatusCommand", open, {"EdsOpenSession", "EdsSetPropertyData", "EdsSendStatusCommand"}},
        {"capacity fails, still unlocked", "EdsSetCapacity", open,
         {"EdsOpenSession", "EdsSetPropertyData", "EdsSendStatusCommand", "EdsSetCapacity", "EdsSendStatusCommand"}},
        {"shot fails between good lock and unlock", "EdsSendCommand", shot,
         {"EdsSendStatusCommand", "EdsSendCommand", "EdsSendStatusCommand"}},
        {"lock before shot fails", "EdsSendStatusCommand", shot, {"EdsSendStatusCommand"}},
        {"lock before save-to fails", "EdsSendStatusCommand", saveTo, {"EdsSendStatusCommand"}},
        {"save-to write fails, controls unlocked", "EdsSetPropertyData", saveTo,
         {"EdsSendStatusCommand", "EdsSetPropertyData", "EdsSendStatusCommand"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualCamera camera;
        CameraState state;
        auto master = TAppMaster::Create(camera, nullptr, state);
        if (c.operation != +open) master->OpenSession();
        camera.ClearCalls();
        camera.FailCall(c.failing, kBusy, 1);
        EXPECT_EQ(c.operation(*master), kBusy);
        EXPECT_EQ(camera.CallNames(), c.calls);
        EXPECT_EQ(camera.PicturesTaken(), 0);
        EXPECT_FALSE(camera.UiLocked());
    }
}

TEST(TAppMaster, PropertyEventsFromTheCameraThreadArriveThroughTheSink) {
    Connected s;
    s.camera.RaisePropertyEvent(kEdsPropertyEventPropertyChanged, 0x403);  // not a shooting property: dropped
    s.camera.RaisePropertyEvent(0x105, kEdsPropTv);                         // not an event we act on: dropped
    s.camera.RaisePropertyEvent(kEdsPropertyEventPropertyChanged, kEdsPropTv);
    s.camera.RaisePropertyEvent(kEdsPropertyEventPropertyDescChanged, kEdsPropImageQuality);
    s.camera.RaiseObjectEvent(0x204, 0x1234);  // dropped
    const EdsDirectoryItemRef item = s.camera.RequestTransfer("IMG_0001.CR2", 1000);
    ASSERT_TRUE(s.sink.WaitFor(3));
    ASSERT_TRUE(s.camera.WaitUntilEventsDelivered(std::chrono::seconds(10)));

    const auto received = s.sink.All();
    ASSERT_EQ(received.size(), 3u);
    const uint64_t session = s.master->Session();
    const CameraMessage expected[] = {
        {0x401, 0x101, 0x406, session},
        {0x401, 0x102, 0x100, session},
        {0x402, 0x208, static_cast<intptr_t>(item), session},
    };
    for (size_t i = 0; i < 3; ++i) {
        const CameraMessage& m = received[i].message;
        EXPECT_EQ(m.message, expected[i].message);
        EXPECT_EQ(m.wParam, expected[i].wParam);
        EXPECT_EQ(m.lParam, expected[i].lParam);
        EXPECT_TRUE(s.master->OwnsMessage(m));
        EXPECT_EQ(received[i].thread, s.camera.EventThreadId());
        EXPECT_NE(received[i].thread, std::this_thread::get_id());
    }
}

TEST(TAppMaster, WrittenAndDialledValuesComeBackAsEvents) {
    Connected s;
    EXPECT_EQ(s.master->WriteProperty(kEdsPropISOSpeed, 0x50), kEdsErrOk);  // ISO 200
    EXPECT_EQ(s.camera.Calls().back().args, (Args{s.camera.CameraReference(), kEdsPropISOSpeed, 0, 4, 0x50}));
    ASSERT_TRUE(s.sink.WaitFor(1));
    s.camera.ChangeOnBody(kEdsPropTv, 0x60);  // the dial turned to 1/30
    ASSERT_TRUE(s.sink.WaitFor(2));
    const auto messages = s.sink.Messages();
    EXPECT_EQ(messages[0].lParam, static_cast<intptr_t>(kEdsPropISOSpeed));
    EXPECT_EQ(messages[1].lParam, static_cast<intptr_t>(kEdsPropTv));

    // The window answers 0x101 by reading the property.
    EXPECT_EQ(s.master->ReadProperty(kEdsPropTv), kEdsErrOk);
    EXPECT_EQ(s.master->Camera()->GetPropertyValue(kEdsPropTv), 0x60);
    EXPECT_NE(s.master->WriteProperty(kEdsPropISOSpeed, 0x28), kEdsErrOk);  // ISO 6: the body does not offer it
}

TEST(TAppMaster, NothingReachesTheWindowForADestroyedSession) {
    Connected s;
    s.camera.RaisePropertyEvent(kEdsPropertyEventPropertyChanged, kEdsPropAv);
    ASSERT_TRUE(s.sink.WaitFor(1));
    const CameraMessage queued = s.sink.Messages()[0];
    const uint64_t oldSession = s.master->Session();
    s.master->Destroy();
    EXPECT_FALSE(s.master->OwnsMessage(queued));

    // A library that still calls the handlers late (context = the session token) posts nothing.
    void* lateContext = reinterpret_cast<void*>(static_cast<uintptr_t>(oldSession));
    TAppMaster::PropertyHandler(kEdsPropertyEventPropertyChanged, kEdsPropAv, 0, lateContext);
    TAppMaster::ObjectHandler(kEdsObjectEventDirItemRequestTransfer, 0x1230, lateContext);
    EdsBool cancel = 0;
    TAppMaster::ProgressHandler(100, lateContext, &cancel);
    s.camera.RaisePropertyEvent(kEdsPropertyEventPropertyChanged, kEdsPropAv);
    ASSERT_TRUE(s.camera.WaitUntilEventsDelivered(std::chrono::seconds(10)));
    EXPECT_EQ(s.sink.Messages().size(), 1u);

    // Reconnecting: the message queued for the earlier session is not the new one's either.
    s.master = TAppMaster::Create(s.camera, &s.sink, s.state);
    EXPECT_NE(s.master->Session(), oldSession);
    EXPECT_FALSE(s.master->OwnsMessage(queued));
}

TEST(TAppMaster, DownloadPathAndReleaseOrder) {
    const std::string folder = std::string("pictures") + kFolderSeparator + "eclipse";
    const std::string expectedPath = folder + kFolderSeparator + "IMG_0042.CR2";
    for (const std::string& given : {folder, folder + kFolderSeparator}) {
        SCOPED_TRACE(given);
        Connected s;
        const EdsDirectoryItemRef item = s.camera.RequestTransfer("IMG_0042.CR2", 25000000);
        ASSERT_TRUE(s.sink.WaitFor(1));
        const CameraMessage request = s.sink.Messages()[0];
        ASSERT_EQ(request.message, kCameraMessageTransfer);
        s.sink.Clear();
        s.camera.ClearCalls();

        EXPECT_EQ(s.master->Download(static_cast<EdsDirectoryItemRef>(request.lParam), given), kEdsErrOk);
        const auto calls = s.camera.Calls();
        ASSERT_EQ(calls.size(), 7u);
        EXPECT_EQ(s.camera.CallNames(),
                  (Names{"EdsGetDirectoryItemInfo", "EdsCreateFileStream", "EdsSetProgressCallback", "EdsDownload",
                         "EdsDownloadComplete", "EdsRelease", "EdsRelease"}));
        EXPECT_EQ(calls[1].text, expectedPath);
        EXPECT_EQ(calls[1].args, (Args{1, 2}));
        const uint64_t stream = calls[2].args[0];
        EXPECT_EQ(calls[2].args[1], 2u);
        EXPECT_EQ(calls[3].args, (Args{item, 25000000, stream}));
        EXPECT_EQ(calls[5].args, Args{stream});
        EXPECT_EQ(calls[6].args, Args{item});
        EXPECT_FALSE(s.camera.IsLive(item));
        EXPECT_FALSE(s.camera.IsLive(stream));
        EXPECT_EQ(s.camera.DownloadedFiles().at(expectedPath), 25000000u);
        // Progress arrives as 0x403 (percent, cancel flag).
        const auto progress = s.sink.Messages();
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.back().message, kCameraMessageProgress);
        EXPECT_EQ(progress.back().wParam, 100u);
        EXPECT_EQ(progress.back().lParam, 0);
    }
}

TEST(TAppMaster, DownloadFailures) {
    struct Case {
        const char* failing;
        Names calls;
        bool itemLive;
    };
    const Case cases[] = {
        {"EdsGetDirectoryItemInfo", {"EdsGetDirectoryItemInfo"}, true},
        {"EdsCreateFileStream", {"EdsGetDirectoryItemInfo", "EdsCreateFileStream", "EdsRelease"}, false},
        {"EdsDownload",
         {"EdsGetDirectoryItemInfo", "EdsCreateFileStream", "EdsSetProgressCallback", "EdsDownload", "EdsRelease",
          "EdsRelease"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        Connected s;
        const EdsDirectoryItemRef item = s.camera.RequestTransfer("IMG_0001.JPG", 10);
        s.camera.ClearCalls();
        s.camera.FailCall(c.failing, kEdsErrFileIO, 1);
        EXPECT_EQ(s.master->Download(item, "x"), kEdsErrFileIO);
        EXPECT_EQ(s.camera.CallNames(), c.calls);
        EXPECT_EQ(s.camera.IsLive(item), c.itemLive);
    }
}

TEST(TAppMaster, ReadPropertyStoresOnlyThirtyTwoBitValues) {
    Connected s;
    EXPECT_EQ(s.master->ReadProperty(kEdsPropAll), kEdsErrOk);
    const TCamera& camera = *s.master->Camera();
    for (EdsPropertyID p : kShootingProperties) EXPECT_EQ(camera.GetPropertyValue(p), s.camera.Value(p)) << p;
    EXPECT_EQ(s.camera.CallCount("EdsGetPropertySize"), 5);
    EXPECT_EQ(s.camera.CallCount("EdsGetPropertyData"), 5);

    s.camera.SetValue(kEdsPropISOSpeed, 0x50);
    s.camera.SetPropertyType(kEdsPropISOSpeed, kEdsDataTypeString, 8);
    s.camera.ClearCalls();
    EXPECT_EQ(s.master->ReadProperty(kEdsPropISOSpeed), kEdsErrOk);
    EXPECT_EQ(s.camera.CallNames(), Names{"EdsGetPropertySize"});
    EXPECT_EQ(camera.GetPropertyValue(kEdsPropISOSpeed), 0x48);  // unchanged

    s.camera.ClearCalls();
    s.camera.FailCall("EdsGetPropertySize", kBusy, 1);
    EXPECT_EQ(s.master->ReadProperty(kEdsPropAll), kBusy);  // stops at the first failure
    EXPECT_EQ(s.camera.CallNames(), Names{"EdsGetPropertySize"});
}

TEST(TAppMaster, ReadPropertyListFillsSupportedCodes) {
    Connected s;
    s.camera.SetAllowedValues(kEdsPropISOSpeed, {0x48, 0x50, 0x58});
    EXPECT_EQ(s.master->ReadPropertyList(kEdsPropAll), kEdsErrOk);
    EXPECT_EQ(s.state.SupportedCodes.Codes(kEdsPropISOSpeed), (std::vector<uint32_t>{0x48, 0x50, 0x58}));
    for (EdsPropertyID p : kShootingProperties) {
        EXPECT_EQ(s.state.SupportedCodes.Codes(p), s.camera.AllowedValues(p)) << p;
        EXPECT_EQ(s.master->Camera()->GetPropertyDesc(p).numElements,
                  static_cast<int>(s.camera.AllowedValues(p).size()));
    }
    EXPECT_EQ(s.master->ReadPropertyList(kEdsPropSaveTo), kEdsErrOk);  // other numbers copy nothing
    EXPECT_EQ(s.master->Camera()->GetPropertyDesc(kEdsPropSaveTo).numElements, 0);
}

// Capacities 164, 64, 39, 54, 77; the record holds 128 elements; counts fit 16 bits; codes are not negative.
TEST(TAppMaster, SupportedCodesRangeChecks) {
    struct Case {
        const char* what;
        EdsPropertyID property;
        int32_t numElements;
        int32_t negativeAt;  // 1-based element made negative, 0 for none
        bool throws;
        uint16_t count;  // count afterwards: what was copied
    };
    const Case cases[] = {
        {"ISO at its capacity", kEdsPropISOSpeed, 39, 0, false, 39},
        {"ISO one past its capacity", kEdsPropISOSpeed, 40, 0, true, 39},
        {"AE one past its capacity", kEdsPropAEMode, 65, 0, true, 64},
        {"image quality at the record's 128", kEdsPropImageQuality, 128, 0, false, 128},
        {"image quality past the record", kEdsPropImageQuality, 129, 0, true, 128},
        {"negative third code", kEdsPropAv, 5, 3, true, 2},
        {"count above 65535", kEdsPropTv, 65536, 0, true, 0},
        {"negative count", kEdsPropTv, -1, 0, true, 0},
        {"empty list", kEdsPropTv, 0, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Connected s;
        EdsPropertyDesc desc{};
        desc.numElements = c.numElements;
        for (int i = 0; i < 128; ++i) desc.propDesc[i] = 0x10 + i;
        if (c.negativeAt > 0) desc.propDesc[c.negativeAt - 1] = -1;
        s.camera.SetPropertyDesc(c.property, desc);
        if (c.throws) {
            EXPECT_THROW(s.master->ReadPropertyList(c.property), CameraRangeError);
        } else {
            EXPECT_EQ(s.master->ReadPropertyList(c.property), kEdsErrOk);
        }
        const SupportedCodeList& list = s.state.SupportedCodes.For(c.property);
        EXPECT_EQ(list.count, c.count);
        for (int i = 1; i <= list.count; ++i) EXPECT_EQ(list.codes[static_cast<size_t>(i)], 0x10u + (i - 1));
        EXPECT_EQ(s.master->Camera()->GetPropertyDesc(c.property).numElements, c.numElements);  // stored first
    }
}

TEST(TAppMaster, RangeErrorKeepsTheListsReadBefore) {
    Connected s;
    s.camera.SetAllowedValues(kEdsPropISOSpeed, std::vector<uint32_t>(45, 0x48));
    EXPECT_THROW(s.master->ReadPropertyList(kEdsPropAll), CameraRangeError);
    EXPECT_EQ(s.state.SupportedCodes.Codes(kEdsPropImageQuality), s.camera.AllowedValues(kEdsPropImageQuality));
    EXPECT_EQ(s.state.SupportedCodes.Codes(kEdsPropAEMode), s.camera.AllowedValues(kEdsPropAEMode));
    EXPECT_EQ(s.state.SupportedCodes.For(kEdsPropISOSpeed).count, 39);
    EXPECT_EQ(s.state.SupportedCodes.For(kEdsPropAv).count, 0);  // never read
    EXPECT_EQ(s.state.SupportedCodes.For(kEdsPropTv).count, 0);
}

}  // namespace
}  // namespace zelto
