#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "camera/appmaster.h"
#include "camera/gphoto2_sdk.h"
#include "camera/proptables.h"
#include "tests/camera/fake_eos_port.h"
#include "tests/camera/recording_sink.h"

namespace zelto {
namespace {

TEST(Gphoto2TableName, NormalisesCameraTexts) {
    struct Case {
        int kind;
        const char* text;
        const char* name;
    };
    const Case cases[] = {
        {kKindTv, "1/8000", "1/8000"}, {kKindTv, "0.5", "0\"5"},   {kKindTv, "30", "30\""},
        {kKindTv, "2.5", "2\"5"},     {kKindTv, "bulb", "Bulb"},  {kKindTv, "1/3", "0\"3"},    {kKindTv, "1/2", "0\"5"},
        {kKindAv, "5.6", "f/5.6"},    {kKindAv, "f/5.6", "f/5.6"}, {kKindAv, "2", "f/2.0"},
        {kKindAv, "4", "f/4"},        {kKindAv, "99.9", ""},      {kKindISO, "Auto", "AUTO"},
        {kKindISO, "100", "100"},     {kKindISO, "123", ""},      {kKindAEMode, "Manual", "M"},
        {kKindAEMode, "AV", "AV"},    {kKindAEMode, "Green", ""}, {kKindImageQuality, "Large Fine JPEG", "JPGaLarFin"},
        {kKindImageQuality, "RAW + Large Fine JPEG", "RAW+JPGaLarFin"}, {kKindImageQuality, "RAW", "RAWa"},
        {kKindImageQuality, "mRAW", ""}, {kKindImageQuality, "Smaller JPEG (S2)", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Gphoto2TableName(c.kind, c.text), c.name);
    }
}

struct Rig {
    FakeEosPort* port;
    Gphoto2Sdk sdk;
    RecordingSink sink;
    CameraState state;
    std::unique_ptr<TAppMaster> master;
    explicit Rig(const std::string& cameraPort = {})
        : port(new FakeEosPort), sdk(std::unique_ptr<Gphoto2Port>(port), cameraPort) {}
    void Connect() {
        master = TAppMaster::Create(sdk, &sink, state);
        ASSERT_EQ(master->SetEventHandlers(), kEdsErrOk);
        ASSERT_EQ(master->OpenSession(), kEdsErrOk);
    }
};

TEST(Gphoto2Sdk, SessionListsValuesAndWrites) {
    Rig rig;
    rig.Connect();
    EXPECT_EQ(rig.master->DeviceName(), "Canon EOS 100D");
    EXPECT_FALSE(rig.master->Legacy());
    EXPECT_EQ(rig.port->widgets["capturetarget"].value, "Memory card");  // the save-to write chose the card

    ASSERT_EQ(rig.master->ReadPropertyList(kEdsPropAll), kEdsErrOk);
    ASSERT_EQ(rig.master->ReadProperty(kEdsPropAll), kEdsErrOk);
    // ISO lists AUTO and 100 by table code; the repeated 6400 keeps a code of its own.
    const std::vector<uint32_t> iso = rig.state.SupportedCodes.Codes(kEdsPropISOSpeed);
    ASSERT_EQ(iso.size(), 9u);
    EXPECT_EQ(iso[0], 0x00u);
    EXPECT_EQ(iso[1], 0x48u);
    EXPECT_EQ(iso[7], 0x78u);
    EXPECT_EQ(iso[8], kGphoto2OwnCodeBase + 8);
    // Unknown choices are listed with their own codes and their camera texts.
    const std::vector<uint32_t> av = rig.state.SupportedCodes.Codes(kEdsPropAv);
    ASSERT_EQ(av.size(), 8u);
    EXPECT_EQ(av[3], 0x30u);  // 5.6
    EXPECT_EQ(av[7], kGphoto2OwnCodeBase + 7);
    EXPECT_EQ(rig.sdk.ChoiceText(kEdsPropAv, av[7]), "99.9");
    const std::vector<uint32_t> iq = rig.state.SupportedCodes.Codes(kEdsPropImageQuality);
    ASSERT_EQ(iq.size(), 8u);
    EXPECT_EQ(iq[0], 0x00130000u);
    EXPECT_EQ(iq[4], kGphoto2OwnCodeBase + 4);
    EXPECT_EQ(rig.master->Camera()->GetPropertyValue(kEdsPropTv), 0x6D);  // 1/100
    EXPECT_EQ(rig.master->Camera()->GetPropertyValue(kEdsPropAEMode), 0x03);  // Manual

    // Writes go back as the camera's own text, the unknown and duplicate choices included.
    struct Write {
        EdsPropertyID property;
        uint32_t code;
        const char* widget;
        const char* text;
    };
    const Write writes[] = {
        {kEdsPropTv, 0xA0, "shutterspeed", "1/8000"},
        {kEdsPropTv, 0x40, "shutterspeed", "0.5"},
        {kEdsPropAv, 0x18, "aperture", "2"},
        {kEdsPropAv, kGphoto2OwnCodeBase + 7, "aperture", "99.9"},
        {kEdsPropISOSpeed, kGphoto2OwnCodeBase + 8, "iso", "6400"},
        {kEdsPropImageQuality, 0x00240000, "imageformat", "RAW"},
    };
    for (const Write& w : writes) {
        SCOPED_TRACE(w.text);
        EXPECT_EQ(rig.master->WriteProperty(w.property, w.code), kEdsErrOk);
        EXPECT_EQ(rig.port->widgets[w.widget].value, w.text);
    }
    // A code the camera does not offer is refused and nothing is written.
    EXPECT_EQ(rig.master->WriteProperty(kEdsPropISOSpeed, 0x98), kEdsErrInvalidParameter);  // 102400
    EXPECT_EQ(rig.port->widgets["iso"].value, "6400");
    rig.master->Destroy();
}

TEST(Gphoto2Sdk, AlternativeWidgetNames) {
    Rig rig;
    auto node = rig.port->widgets.extract("aperture");
    node.key() = "f-number";
    rig.port->widgets.insert(std::move(node));
    rig.Connect();
    ASSERT_EQ(rig.master->ReadProperty(kEdsPropAv), kEdsErrOk);
    EXPECT_EQ(rig.master->Camera()->GetPropertyValue(kEdsPropAv), 0x30);
    rig.master->Destroy();
}

TEST(Gphoto2Sdk, BusyCaptureIsAFailureUntilTheCameraIsFree) {
    Rig rig;
    rig.Connect();
    rig.port->busyCaptures = 2;
    EXPECT_EQ(rig.master->TakePicture(), kEdsErrDeviceBusy);
    EXPECT_EQ(rig.master->TakePicture(), kEdsErrDeviceBusy);
    EXPECT_EQ(rig.master->TakePicture(), kEdsErrOk);
    EXPECT_EQ(rig.port->captures, 1);
    rig.master->Destroy();
}

// A failed transfer while the camera is still there (found on the bus again, or a PTP/IP body that
// answers a look for events) is made once more and keeps the session; an error that persists, or a
// camera no longer there, ends it.
TEST(Gphoto2Sdk, AFailedTransferKeepsTheSessionWhileTheCameraIsThere) {
    struct Case {
        const char* name;
        const char* port;  // ZELTO_CAMERA_PORT
        int failedTransfers;
        bool fired;  // the shutter fired before the transfer failed: no second exposure
        bool foundAgain;
        EdsError result;
        bool sessionKept;
    };
    const Case cases[] = {
        {"one I/O error, camera found again", "", 1, false, true, kEdsErrOk, true},
        {"the shutter fired, then the I/O error", "", 1, true, true, kEdsErrOk, true},
        {"the I/O error persists", "", 2, false, true, kEdsErrDeviceNotFound, false},
        {"camera no longer on the bus", "", 1, false, false, kEdsErrDeviceNotFound, false},
        {"one I/O error, the PTP/IP body answers", "ptpip:10.0.0.2", 1, false, true, kEdsErrOk, true},
        {"the PTP/IP link is broken", "ptpip:10.0.0.2", 1, false, false, kEdsErrDeviceNotFound, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.port);
        rig.Connect();
        rig.port->failedTransfers = c.failedTransfers;
        rig.port->firedBeforeFailing = c.fired;
        rig.port->present = c.foundAgain;
        rig.port->linkDown = !c.foundAgain;
        EXPECT_EQ(rig.master->TakePicture(), c.result);
        rig.port->failedTransfers = 0;
        rig.port->present = true;
        rig.port->linkDown = false;
        EXPECT_EQ(rig.master->TakePicture() == kEdsErrOk, c.sessionKept);
        EXPECT_EQ(rig.port->captures, c.sessionKept ? 2 : 0);
        rig.master->Destroy();
    }
}

TEST(Gphoto2Sdk, ChangedSettingsArriveFromTheWorkerThread) {
    Rig rig;
    rig.Connect();
    ASSERT_EQ(rig.master->ReadPropertyList(kEdsPropAll), kEdsErrOk);
    {
        // Changed on the body: Tv's value, ISO's list; Av is reported without any change.
        std::lock_guard<std::mutex> lock(rig.port->mutex);
        rig.port->widgets["shutterspeed"].value = "1/8000";
        rig.port->widgets["iso"].choices.push_back("12800");
    }
    rig.port->Push({Gphoto2EventType::FileAdded, "/store_00020001/DCIM/100CANON/IMG_0001.CR2"});
    rig.port->Push({Gphoto2EventType::Unknown, "PTP Property d1d3 changed"});  // not a shooting setting
    rig.port->Push({Gphoto2EventType::Unknown, "PTP Property d101 changed"});  // Av: read, unchanged
    rig.port->Push({Gphoto2EventType::Unknown, "PTP Property d102 changed"});
    rig.port->Push({Gphoto2EventType::Unknown, "PTP Property d103 changed"});
    rig.port->Push({Gphoto2EventType::Unknown, "PTP Property d102 changed"});  // again, nothing new
    ASSERT_TRUE(rig.port->WaitDrained());
    // Closing the session joins the worker, which first finishes the event it took last.
    EXPECT_EQ(rig.sdk.EdsCloseSession(rig.master->CameraRef()), kEdsErrOk);
    const auto all = rig.sink.All();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_NE(all[0].thread, std::this_thread::get_id());
    EXPECT_EQ(all[0].message.message, kCameraMessageProperty);
    EXPECT_EQ(all[0].message.wParam, kEdsPropertyEventPropertyChanged);
    EXPECT_EQ(all[0].message.lParam, static_cast<intptr_t>(kEdsPropTv));
    EXPECT_EQ(all[1].message.wParam, kEdsPropertyEventPropertyDescChanged);
    EXPECT_EQ(all[1].message.lParam, static_cast<intptr_t>(kEdsPropISOSpeed));
    rig.master->Destroy();
}

TEST(Gphoto2Sdk, VanishedCameraFailsEveryLaterCall) {
    Rig rig;
    rig.Connect();
    rig.port->gone = true;
    EXPECT_EQ(rig.master->TakePicture(), kEdsErrDeviceNotFound);
    rig.port->gone = false;  // even if the bus answers again, the session stays dead
    EXPECT_EQ(rig.master->ReadProperty(kEdsPropAll), kEdsErrDeviceNotFound);
    EXPECT_EQ(rig.master->WriteProperty(kEdsPropTv, 0xA0), kEdsErrDeviceNotFound);
    EXPECT_EQ(rig.master->TakePicture(), kEdsErrDeviceNotFound);
    rig.master->Destroy();  // returns: the worker has stopped

    Rig none;
    none.port->found.clear();
    none.master = TAppMaster::Create(none.sdk, &none.sink, none.state);
    EXPECT_EQ(none.master->CameraRef(), kEdsNoRef);
}

TEST(Gphoto2Sdk, TakesTheCameraOnTheChosenPort) {
    // What libgphoto2 detects: a card reader's folder, then two bodies on USB.
    const std::vector<PortCamera> found = {{"Mass Storage Camera", "disk:/media/card"},
                                           {"Nikon DSC D850", "usb:001,004"},
                                           {"Canon EOS 100D", "usb:001,005"}};
    struct Case {
        const char* setting;  // ZELTO_CAMERA_PORT
        const char* name;     // the camera's name; empty: none detected
        const char* model;    // the abilities it is opened with
        const char* port;     // the port it is opened on
        const char* text;     // what the library says
    };
    const Case cases[] = {
        {"", "Nikon DSC D850", "Nikon DSC D850", "usb:001,004", ""},
        {" usb:001,005 ", "Canon EOS 100D", "Canon EOS 100D", "usb:001,005", ""},
        {"usb:002,009", "", "", "", "No camera found on usb:002,009."},
        {"disk:/media/card", "", "", "", "No camera found on disk:/media/card."},
        // On the network the port is the camera: it is found by connecting, and names itself.
        {"ptpip:192.168.1.20", "Canon EOS 6D", "PTP/IP Camera", "ptpip:192.168.1.20", ""},
        {"ptpip:127.0.0.1:5000", "Canon EOS 6D", "PTP/IP Camera", "ptpip:127.0.0.1:5000:5000", ""},
        {"ptpip:127.0.0.1:5000:5001", "Canon EOS 6D", "PTP/IP Camera", "ptpip:127.0.0.1:5000:5001", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        auto* port = new FakeEosPort;
        port->found = found;
        Gphoto2Sdk sdk(std::unique_ptr<Gphoto2Port>(port), c.setting);
        RecordingSink texts;
        sdk.SetTextSink(&texts);
        RecordingSink sink;
        CameraState state;
        auto master = TAppMaster::Create(sdk, &sink, state);
        EXPECT_EQ(master->DeviceName(), c.name);
        if (*c.name != '\0') {
            EXPECT_EQ(master->OpenSession(), kEdsErrOk);
            EXPECT_EQ(port->opened.model, c.model);
            EXPECT_EQ(port->opened.port, c.port);
            EXPECT_STREQ(master->Camera()->DeviceInfo().szPortName, c.port);
        }
        std::vector<std::string> said;
        for (const CameraMessage& text : texts.Messages()) said.push_back(text.text);
        EXPECT_EQ(said, *c.text == '\0' ? std::vector<std::string>{} : std::vector<std::string>{c.text});
        master->Destroy();
    }
}

}  // namespace
}  // namespace zelto
