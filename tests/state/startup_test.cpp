#include "state/startup.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace zelto {
namespace {

TEST(StartUp, PreparesFoldersVersionAndFlags) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const std::string base = home.path().toStdString();
    SystemLocations locations;
    locations.programFile = ZELTO_CLI_PATH;  // any executable stands for the program file
    locations.documentsBase = base + "/Documents";
    locations.appDataBase = base + "/share/";  // a trailing separator is not doubled
    locations.tempFolder = "/tmp";

    SharedVariables shared;
    shared.flags.AbortRunRequested = true;
    shared.time.TimeOffset = 0.5;
    shared.camera.CameraName = "left over";
    StartUp(shared, locations);

    EXPECT_EQ(shared.folders.DocumentsFolder, base + "/Documents/Zelto/");
    EXPECT_EQ(shared.folders.AppDataFolder, base + "/share/Zelto/");
    EXPECT_TRUE(QDir(QString::fromStdString(shared.folders.DocumentsFolder)).exists());
    EXPECT_TRUE(QDir(QString::fromStdString(shared.folders.AppDataFolder)).exists());
    EXPECT_EQ(shared.folders.ProgramFolder.back(), '/');
    EXPECT_EQ(shared.folders.TempFolder, "/tmp");
    EXPECT_TRUE(shared.camera.CameraName.empty());
    EXPECT_FALSE(shared.flags.AbortRunRequested);
    EXPECT_EQ(shared.time.TimeOffset, 0);
    EXPECT_EQ(shared.eclipse.EclipseCatalog[50].Year, 2024);
    EXPECT_EQ(shared.program.ProgramVersion.FileFunction, "Application");
    EXPECT_EQ(shared.program.ProgramVersion.ProductName, "Zelto");
    EXPECT_FALSE(shared.program.VersionText.empty());
    EXPECT_LE(shared.program.VersionText.size(), 16u);

    // A second start finds the folders and changes nothing; a file in them survives.
    QFile keep(QString::fromStdString(shared.folders.AppDataFolder + "Zelto.prm"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("x");
    keep.close();
    const WorkingFolders first = shared.folders;
    StartUp(shared, locations);
    EXPECT_EQ(shared.folders.AppDataFolder, first.AppDataFolder);
    EXPECT_EQ(shared.folders.DocumentsFolder, first.DocumentsFolder);
    EXPECT_TRUE(keep.exists());
}

TEST(StartUp, AFolderThatCannotBeCreatedIsNotFatal) {
    QTemporaryDir home;
    const std::string blocker = home.path().toStdString() + "/file";
    QFile file(QString::fromStdString(blocker));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    SystemLocations locations;
    locations.documentsBase = blocker;  // a file where a folder should go
    locations.appDataBase = blocker;
    SharedVariables shared;
    StartUp(shared, locations);
    EXPECT_EQ(shared.folders.DocumentsFolder, blocker + "/Zelto/");
    EXPECT_TRUE(shared.folders.ProgramFolder.empty());
    EXPECT_TRUE(shared.program.VersionText.empty());  // no program file, no version information
}

TEST(VersionInfo, FlagsFileFunctionAndVersionText) {
    TFileVersionInfo info;
    SetVersionFlags(info, kVersionDebug | kVersionPatched | kVersionSpecialBuild, kVersionDebug | kVersionSpecialBuild);
    EXPECT_TRUE(info.DebugBuild);
    EXPECT_TRUE(info.SpecialBuildFlag);
    EXPECT_FALSE(info.Patched);  // set in the word but not in the mask
    EXPECT_EQ(FileFunctionText(3, 10), "Communications Driver");
    EXPECT_EQ(FileFunctionText(3, 11), "");
    EXPECT_EQ(FileFunctionText(4, 3), "Truetype Font");
    EXPECT_EQ(FileFunctionText(5, 0x1A), "Virtual Defice Identifier = 0000001A");
    EXPECT_EQ(FileFunctionText(7, 0), "Static-link Library");
    EXPECT_EQ(FileFunctionText(6, 0), "");
    info.FileVersion = "12.345.6789.01234-extra";
    EXPECT_EQ(VersionTextOf(info), "12.345.6789.0123");
    EXPECT_EQ(WithTrailingSeparator("/a/b", '/'), "/a/b/");
    EXPECT_EQ(WithTrailingSeparator("/a/b/", '/'), "/a/b/");
    EXPECT_EQ(WithTrailingSeparator("", '/'), "");
}

}  // namespace
}  // namespace zelto
