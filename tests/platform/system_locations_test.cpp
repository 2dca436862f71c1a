#include "platform/system_locations.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace zelto {
namespace {

// The sounds are found beside the program (a build folder) or in the installed share/zelto/ beside
// its bin/, wherever the whole prefix was moved; the program's folder stays the program's.
TEST(SystemLocations, ResourceFolderBesideTheProgramOrInstalled) {
    struct Case {
        const char* name;
        std::vector<const char*> sounds;  // folders below the prefix that hold OK.wav
        const char* expected;             // the folder found, below the prefix
    };
    const Case cases[] = {
        {"build folder", {"bin"}, "bin/"},
        {"installed", {"share/zelto"}, "share/zelto/"},
        {"both: the program's own folder first", {"bin", "share/zelto"}, "bin/"},
        {"neither: the program's folder", {}, "bin/"},
    };
    for (const Case& c : cases) {
        QTemporaryDir prefix;
        ASSERT_TRUE(prefix.isValid());
        const std::string root = prefix.path().toStdString() + "/";
        ASSERT_TRUE(QDir().mkpath(prefix.filePath("bin")));
        for (const char* folder : c.sounds) {
            ASSERT_TRUE(QDir().mkpath(prefix.filePath(folder)));
            QFile sound(prefix.filePath(QString(folder) + "/OK.wav"));
            ASSERT_TRUE(sound.open(QIODevice::WriteOnly));
        }
        SystemLocations locations;
        locations.programFile = root + "bin/zelto";
        locations.documentsBase = root + "home/Documents";
        locations.appDataBase = root + "home/share";
        const WorkingFolders folders = MakeWorkingFolders(locations);
        EXPECT_EQ(folders.ResourceFolder, root + c.expected) << c.name;
        EXPECT_EQ(folders.ProgramFolder, root + "bin/") << c.name;
    }

    // Without a program file (a process with no application object) there is no folder to look in.
    QTemporaryDir home;
    SystemLocations none;
    none.documentsBase = home.path().toStdString();
    none.appDataBase = home.path().toStdString();
    EXPECT_EQ(MakeWorkingFolders(none).ResourceFolder, "");
}

}  // namespace
}  // namespace zelto
