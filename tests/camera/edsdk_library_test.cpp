#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "camera/appmaster.h"
#include "camera/backend.h"
#include "camera/camera_failure.h"
#include "camera/deadline_sdk.h"
#include "camera/edsdk_library.h"
#include "camera/proptables.h"
#include "camera/shared_library.h"
#include "tests/camera/recording_sink.h"

namespace zelto {
namespace {

// The stand-in library built beside the tests (edsdk_standin.cpp) and the functions that play with
// its body.
struct StandInBody {
    std::unique_ptr<SharedLibrary> file = SharedLibrary::Open(ZELTO_EDSDK_STANDIN, nullptr);
    template <typename Function>
    Function* Find(const char* name) const {
        return reinterpret_cast<Function*>(file ? file->Symbol(name) : nullptr);
    }
    void (*newBody)() = Find<void()>("ZeltoStandInNewBody");
    void (*setAttached)(int) = Find<void(int)>("ZeltoStandInSetAttached");
    void (*changeOnBody)(EdsUInt32, EdsUInt32) = Find<void(EdsUInt32, EdsUInt32)>("ZeltoStandInChangeOnBody");
    void (*failNextCommands)(EdsError, int) = Find<void(EdsError, int)>("ZeltoStandInFailNextCommands");
    EdsUInt32 (*value)(EdsUInt32) = Find<EdsUInt32(EdsUInt32)>("ZeltoStandInValue");
    int (*picturesTaken)() = Find<int()>("ZeltoStandInPicturesTaken");
};

TEST(EdsdkLibrary, LoadsTheNamedFileOrSaysWhyNot) {
    struct Case {
        std::string file;
        std::string error;  // how the message begins; empty: the library loads
    };
    const std::string missing = std::string(ZELTO_TEST_DATA) + "/no-such-EDSDK-library";
    const std::string notALibrary = std::string(ZELTO_TEST_DATA) + "/../camera/edsdk_standin.cpp";
    const Case cases[] = {
        {ZELTO_EDSDK_STANDIN, ""},
        {missing, "Canon's EDSDK was not found: " + missing + ": "},
        {notALibrary, "Canon's EDSDK was not found: " + notALibrary + ": "},
        // The first function after EdsInitializeSDK is missing.
        {ZELTO_EDSDK_INCOMPLETE, std::string("Canon's EDSDK was not found: ") + ZELTO_EDSDK_INCOMPLETE +
                                     " has no EdsTerminateSDK"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string error;
        const std::unique_ptr<EdsdkLibrary> library = EdsdkLibrary::Load(c.file, &error);
        EXPECT_EQ(library != nullptr, c.error.empty());
        EXPECT_EQ(error.substr(0, c.error.size()), c.error);
        EXPECT_EQ(error.empty(), c.error.empty()) << error;
    }
}

TEST(EdsdkLibrary, DrivesTheCameraThroughTheLoadedLibrary) {
    StandInBody body;
    ASSERT_NE(body.picturesTaken, nullptr) << "the stand-in library lacks its test functions";
    body.newBody();
    std::string error;
    std::unique_ptr<EdsdkLibrary> loaded = EdsdkLibrary::Load(ZELTO_EDSDK_STANDIN, &error);
    ASSERT_NE(loaded, nullptr) << error;
    DeadlineSdk library(std::move(loaded));
    RecordingSink sink;
    CameraState state;
    std::unique_ptr<TAppMaster> master = OpenCameraSession(library, &sink, state);
    ASSERT_NE(master, nullptr);
    EXPECT_TRUE(master->SessionOpen());
    EXPECT_EQ(state.CameraName, "Canon EOS (virtual)");

    // The four lists of the body: a dozen qualities, ISO 100 to 6400, f/4 to f/22 and 30 s to 1/8000 s,
    // the last three in third stops (6, 5 and 18 stops: 19, 16 and 55 values).
    struct List {
        EdsPropertyID property;
        int kind;
        size_t count;
        const char* first;
        const char* last;
    };
    const List lists[] = {
        {kEdsPropImageQuality, kKindImageQuality, 12, "RAW", "JPGSma2Fin"},
        {kEdsPropISOSpeed, kKindISO, 19, "100", "6400"},
        {kEdsPropAv, kKindAv, 16, "f/4", "f/22"},
        {kEdsPropTv, kKindTv, 55, "30\"", "1/8000"},
    };
    for (const List& list : lists) {
        SCOPED_TRACE(list.first);
        const std::vector<uint32_t> codes = state.SupportedCodes.Codes(list.property);
        ASSERT_EQ(codes.size(), list.count);
        EXPECT_EQ(NameByCode(list.kind, codes.front()), list.first);
        EXPECT_EQ(NameByCode(list.kind, codes.back()), list.last);
    }

    // Writes reach the body.
    const struct {
        EdsPropertyID property;
        uint32_t code;
    } writes[] = {{kEdsPropImageQuality, IQCodeByName("JPGLarFin")},
                  {kEdsPropISOSpeed, ISOCodeByName("800")},
                  {kEdsPropAv, AvCodeByName("f/5.6")},
                  {kEdsPropTv, TvCodeByName("1/1000")}};
    for (const auto& write : writes) {
        EXPECT_EQ(master->WriteProperty(write.property, write.code), kEdsErrOk);
        EXPECT_EQ(body.value(write.property), write.code);
    }

    // A release takes a picture on the card; a busy body answers busy once, then releases.
    EXPECT_EQ(master->TakePicture(), kEdsErrOk);
    body.failNextCommands(kEdsErrDeviceBusy, 1);
    EXPECT_EQ(ClassifyEdsResult(master->TakePicture()), CameraFailure::Busy);
    EXPECT_EQ(master->TakePicture(), kEdsErrOk);
    EXPECT_EQ(body.picturesTaken(), 2);

    // A setting turned on the body comes as the layer's property message, from the camera thread
    // (after any the writes above raised, which may still be on their way).
    sink.Clear();
    body.changeOnBody(kEdsPropTv, TvCodeByName("1/8000"));
    RecordingSink::Received changed;
    for (size_t count = 1; changed.message.lParam != static_cast<intptr_t>(kEdsPropTv); ++count) {
        ASSERT_TRUE(sink.WaitFor(count)) << "no message for the shutter speed turned on the body";
        changed = sink.All()[count - 1];
    }
    EXPECT_NE(changed.thread, std::this_thread::get_id());
    EXPECT_EQ(changed.message.message, kCameraMessageProperty);
    EXPECT_EQ(changed.message.wParam, kEdsPropertyEventPropertyChanged);

    // Unplugged, the camera is gone for every call; plugged back, a new session releases again.
    body.setAttached(0);
    EXPECT_EQ(ClassifyEdsResult(master->TakePicture()), CameraFailure::Gone);
    EXPECT_EQ(ClassifyEdsResult(master->WriteProperty(kEdsPropISOSpeed, ISOCodeByName("100"))), CameraFailure::Gone);
    master->Destroy();
    body.setAttached(1);
    master = OpenCameraSession(library, &sink, state);
    ASSERT_NE(master, nullptr);
    EXPECT_EQ(master->TakePicture(), kEdsErrOk);
    EXPECT_EQ(body.picturesTaken(), 3);
    master->Destroy();
}

}  // namespace
}  // namespace zelto
