#include "camera/camera_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "camera/edsdk.h"
#include "eclipse_data/file_text.h"

namespace zelto {
namespace {

SupportedCodesTable Codes(std::vector<uint32_t> quality, std::vector<uint32_t> iso, std::vector<uint32_t> av) {
    SupportedCodesTable table;
    const auto put = [&table](EdsPropertyID property, const std::vector<uint32_t>& codes) {
        SupportedCodeList& list = table.For(property);
        list.count = static_cast<uint16_t>(codes.size());
        for (size_t i = 0; i < codes.size(); ++i) list.codes[i + 1] = codes[i];
    };
    put(kEdsPropImageQuality, quality);
    put(kEdsPropISOSpeed, iso);
    put(kEdsPropAv, av);
    put(kEdsPropTv, {0x10});
    return table;
}

TEST(CameraDefaultLists, FixedWithoutCameraElseTheCameraLogElseTheSession) {
    using Names = std::vector<std::string>;
    // The log lists "JPGaLarFin"/"RAWa", ISO 100, f/1.0 and f/1.4, and a quality code the name
    // tables lack; the session holds other codes, so the lists show which source was read.
    const SupportedCodesTable logged = Codes({0x00130000, 0x00240000, 0x12345678}, {0x48}, {0x08, 0x10});
    const std::string log = CameraLogText(2460409.25, "1.0.0.0", ComputerInformation{}, "Canon EOS 6D", logged);
    const SupportedCodesTable session = Codes({0x00120000}, {0x40}, {});

    const CameraDefaultLists none = CameraDefaultListsFor("", log, session);
    EXPECT_EQ(none.ImageQuality, Names{"JPGLarFin"});
    EXPECT_EQ(none.ISO, Names{"100"});
    EXPECT_EQ(none.Aperture, Names{"f/4"});

    const CameraDefaultLists fromLog = CameraDefaultListsFor("Canon EOS 6D", log, session);
    EXPECT_EQ(fromLog.ImageQuality, (Names{"JPGaLarFin", "RAWa", "12345678"}));
    EXPECT_EQ(fromLog.ISO, Names{"100"});
    EXPECT_EQ(fromLog.Aperture, (Names{"f/1.0", "f/1.4"}));

    // No log, or one that cannot be read: the codes of the session; an empty list stays empty.
    for (const std::optional<std::string>& text : {std::optional<std::string>(), std::optional<std::string>("junk")}) {
        const CameraDefaultLists fromSession = CameraDefaultListsFor("Canon EOS 6D", text, session);
        EXPECT_EQ(fromSession.ImageQuality, Names{"JPGaLarNor"});
        EXPECT_EQ(fromSession.ISO, Names{"50"});
        EXPECT_TRUE(fromSession.Aperture.empty());
    }
}

TEST(CameraDefaultLists, LogCountsBeyondCapacityAreCut) {
    // 41 ISO lines where the list holds 39.
    std::string log = "$$EOH\r\nCanon\r\n1\r\n1245184\r\n0\r\n41\r\n";
    for (int i = 0; i < 41; ++i) log += "72\r\n";
    log += "0\r\n0\r\n";
    const CameraDefaultLists lists = CameraDefaultListsFor("Canon", log, SupportedCodesTable{});
    EXPECT_EQ(lists.ImageQuality, std::vector<std::string>{"JPGaLarFin"});
    EXPECT_EQ(lists.ISO.size(), 39u);
    EXPECT_EQ(lists.ISO.front(), "100");
}

// The log's files in a folder whose name is not ASCII: written, read back, kept as "Camera.txt" over
// the one before, and deleted.
TEST(CameraLogFiles, WriteReadKeepAndDeleteUnderAnyFolderName) {
    namespace fs = std::filesystem;
    const fs::path base = fs::temp_directory_path() / PathOf("zelto-log-\u00C9clipse \u03A9mega");
    fs::remove_all(base);
    fs::create_directories(base);
    WorkingFolders folders;
    folders.DocumentsFolder = reinterpret_cast<const char*>(base.u8string().c_str()) + std::string("/");

    EXPECT_EQ(ReadCameraLog(folders), std::nullopt);
    EXPECT_EQ(KeepCameraLogAsPrevious(folders), "");  // no log: nothing to keep
    std::ofstream(PathOf(PreviousCameraLogPath(folders)), std::ios::binary) << "previous";
    EXPECT_EQ(WriteCameraLog(folders, "$$EOH\r\nCanon\r\n"), "");
    EXPECT_EQ(ReadCameraLog(folders), "$$EOH\nCanon\n");
    EXPECT_EQ(KeepCameraLogAsPrevious(folders), "");
    EXPECT_FALSE(fs::exists(PathOf(CameraLogPath(folders))));
    {
        // Closed before the folder is removed: Windows removes no file that is open.
        std::ifstream kept(PathOf(PreviousCameraLogPath(folders)), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "$$EOH\r\nCanon\r\n");
    }

    EXPECT_EQ(WriteCameraLog(folders, "x"), "");
    EXPECT_EQ(DeleteCameraLog(folders), "");
    EXPECT_EQ(DeleteCameraLog(folders), "");  // no log is no error
    EXPECT_EQ(ReadCameraLog(folders), std::nullopt);

    folders.DocumentsFolder = (base / "missing" / "").string();
    EXPECT_NE(WriteCameraLog(folders, "x").find("I/O error: cannot write"), std::string::npos);
    fs::remove_all(base);
}

}  // namespace
}  // namespace zelto
