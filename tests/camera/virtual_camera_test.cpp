#include "camera/virtual_camera.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camera/appmaster.h"
#include "camera/backend.h"
#include "camera/proptables.h"
#include "recording_sink.h"

namespace zelto {
namespace {

std::vector<std::string> Names(int kind, const std::vector<uint32_t>& codes) {
    std::vector<std::string> names;
    for (uint32_t code : codes) names.push_back(NameByCode(kind, code));
    return names;
}

// The default body, read the way the camera window reads it after connecting.
TEST(VirtualCamera, DefaultBodyIsInManualModeWithThirdStops) {
    VirtualCamera camera;
    RecordingSink sink;
    CameraState state;
    auto master = TAppMaster::Create(camera, &sink, state);
    master->SetEventHandlers();
    ASSERT_EQ(master->OpenSession(), kEdsErrOk);
    ASSERT_EQ(master->ApplySaveTo(), kEdsErrOk);
    ASSERT_EQ(master->ReadPropertyList(kEdsPropAll), kEdsErrOk);
    ASSERT_EQ(master->ReadProperty(kEdsPropAll), kEdsErrOk);
    const SupportedCodesTable& codes = state.SupportedCodes;

    EXPECT_EQ(NameByCode(kKindAEMode, static_cast<uint32_t>(master->Camera()->GetPropertyValue(kEdsPropAEMode))), "M");
    EXPECT_EQ(codes.Codes(kEdsPropImageQuality).size(), 12u);
    for (const std::string& name : Names(kKindImageQuality, codes.Codes(kEdsPropImageQuality))) EXPECT_NE(name, "");
    EXPECT_EQ(Names(kKindISO, codes.Codes(kEdsPropISOSpeed)),
              (std::vector<std::string>{"100", "125", "160", "200", "250", "320", "400", "500", "640", "800", "1000",
                                        "1250", "1600", "2000", "2500", "3200", "4000", "5000", "6400"}));
    EXPECT_EQ(Names(kKindAv, codes.Codes(kEdsPropAv)),
              (std::vector<std::string>{"f/4", "f/4.5", "f/5", "f/5.6", "f/6.3", "f/7.1", "f/8", "f/9", "f/10", "f/11",
                                        "f/13 (1/3)", "f/14", "f/16", "f/18", "f/20", "f/22"}));
    const auto tv = Names(kKindTv, codes.Codes(kEdsPropTv));
    ASSERT_EQ(tv.size(), 55u);  // 30 s to 1/8000 s: 18 stops in thirds
    EXPECT_EQ(tv.front(), "30\"");
    EXPECT_EQ(tv[3], "15\"");
    EXPECT_EQ(tv[27], "1/15");
    EXPECT_EQ(tv.back(), "1/8000");
    for (const std::string& name : tv) EXPECT_NE(name, "");

    // Every current value is one the body offers.
    for (EdsPropertyID p : kShootingProperties) {
        const auto allowed = codes.Codes(p);
        const auto value = static_cast<uint32_t>(master->Camera()->GetPropertyValue(p));
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), value), allowed.end()) << p;
    }
    EXPECT_EQ(camera.Value(kEdsPropSaveTo), 1u);
    master.reset();
    EXPECT_FALSE(camera.Initialized());
    EXPECT_FALSE(camera.SessionIsOpen());
}

TEST(VirtualCamera, InjectedFailuresCountDown) {
    VirtualCamera camera;
    CameraState state;
    auto master = TAppMaster::Create(camera, nullptr, state);
    master->OpenSession();

    camera.FailCall("EdsSendCommand", kEdsErrDeviceBusy, 4999);
    int trials = 0;
    EdsError status = kEdsErrOk;
    do {
        status = master->TakePicture();
        ++trials;
    } while (status != kEdsErrOk && trials < 5000);
    EXPECT_EQ(status, kEdsErrOk);  // the 5000th release goes through
    EXPECT_EQ(trials, 5000);
    EXPECT_EQ(camera.PicturesTaken(), 1);

    camera.FailCall("EdsSendCommand", kEdsErrTakePictureAfNg);
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(master->TakePicture(), kEdsErrTakePictureAfNg);
    camera.ClearFailures();
    EXPECT_EQ(master->TakePicture(), kEdsErrOk);
    EXPECT_EQ(camera.PicturesTaken(), 2);
    EXPECT_EQ(camera.CallCount("EdsSendCommand"), 10001);
}

TEST(VirtualCamera, AllowedListChangedOnTheBody) {
    VirtualCamera camera;
    RecordingSink sink;
    CameraState state;
    auto master = TAppMaster::Create(camera, &sink, state);
    master->SetEventHandlers();
    master->OpenSession();
    camera.ChangeAllowedOnBody(kEdsPropISOSpeed, {0x48, 0x50});
    ASSERT_TRUE(sink.WaitFor(1));
    const CameraMessage m = sink.Messages()[0];
    EXPECT_EQ(m.wParam, kEdsPropertyEventPropertyDescChanged);
    // The window answers 0x102 by reading the list again.
    EXPECT_EQ(master->ReadPropertyList(static_cast<EdsPropertyID>(m.lParam)), kEdsErrOk);
    EXPECT_EQ(state.SupportedCodes.Codes(kEdsPropISOSpeed), (std::vector<uint32_t>{0x48, 0x50}));
}

TEST(CameraBackend, ChosenByName) {
    struct Case {
        const char* setting;
        const char* name;
        bool hasSdk;
        const char* errorPart;
    };
    const Case cases[] = {
        {"virtual", "virtual", true, ""},
        {" Virtual ", "virtual", true, ""},
        {"none", "none", true, ""},
        {"canon", "canon", false, "Unknown camera backend \"canon\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        CameraBackend backend = MakeCameraBackend(c.setting);
        EXPECT_EQ(backend.name, c.name);
        EXPECT_EQ(backend.sdk != nullptr, c.hasSdk);
        EXPECT_NE(backend.error.find(c.errorPart), std::string::npos) << backend.error;
    }
    // gphoto2 is made where built and reported plainly where not.
    CameraBackend gphoto2 = MakeCameraBackend("gphoto2");
    EXPECT_EQ(gphoto2.name, "gphoto2");
    EXPECT_TRUE(gphoto2.sdk != nullptr || gphoto2.error.find("not built") != std::string::npos) << gphoto2.error;
    // Without gphoto2 built, the default is no camera at all.
    CameraBackend fallback = MakeCameraBackend("");
    EXPECT_TRUE(fallback.name == "gphoto2" || fallback.name == "none");

    // "none" initialises and finds nothing; "virtual" finds its body.
    CameraState state;
    CameraBackend none = MakeCameraBackend("none");
    EXPECT_EQ(TAppMaster::Create(*none.sdk, nullptr, state)->DeviceName(), "");
    CameraBackend simulated = MakeCameraBackend("virtual");
    EXPECT_NE(TAppMaster::Create(*simulated.sdk, nullptr, state)->DeviceName(), "");
    EXPECT_TRUE(dynamic_cast<VirtualCamera&>(*simulated.sdk).Calls().empty());  // no log in a program run
}

}  // namespace
}  // namespace zelto
