#include "main_window/form_main.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSysInfo>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "circumstances/parameter_file.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "window_test_support.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace zelto {
namespace {

namespace fs = std::filesystem;

constexpr const char* kVersion = "1.0.0.0";

class RecordingSound final : public SoundPlayer {
  public:
    void Play(const std::string& path) override { played.push_back(path); }
    bool HasOutput() const override { return output; }
    std::vector<std::string> played;
    bool output = true;
};

class FormMain : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        const std::string base = home_.path().toStdString() + "/";
        fs::create_directories(base + "Documents/Zelto");
        fs::create_directories(base + "AppData/Zelto");
        fs::create_directories(base + "Program");
        SharedVariables& shared = Shared();
        shared.folders = {base + "Program/", base + "Documents/Zelto/", base + "AppData/Zelto/", base,
                          base + "Program/"};
        shared.program.VersionText = kVersion;
        ResetSharedState(shared);
    }

    // 2024-04-08 17:00 UT, an hour before greatest eclipse; the clock stands still.
    void Open() {
        form_ = std::make_unique<TForm_Main>(Shared(), clock_, sound_);
        form_->SetQuitApplicationOnClose(false);
        form_->SetQuitProcess([this] { ++quits_; });
        form_->show();
        form_->OnClockTick();
        form_->OnClockTick();  // the status line shows the ΔT of the previous pass
    }

    template <typename T = QLabel>
    T* Get(const char* name) {
        return FindControl<T>(*form_, name);
    }
    QString Text(const char* name) { return Get<QLabel>(name)->text(); }
    QString Panel(int n) {
        return Get<QLabel>(QString("StatusBar1_Panel%1").arg(n).toUtf8().constData())->text();
    }
    QColor TextColour(const char* name) { return Get<QLabel>(name)->palette().color(QPalette::WindowText); }
    QAction* Action(const char* name) { return Get<QAction>(name); }

    void Type(const char* editName, const QString& text) {
        auto* edit = Get<QLineEdit>(editName);
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    std::string Prm() const { return Shared().folders.AppDataFolder + "Zelto.prm"; }
    std::string Documents() const { return Shared().folders.DocumentsFolder; }
    static void WriteFile(const std::string& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    QTemporaryDir home_;
    FakeClock clock_{CalendarToJD(2024, 4, 8, 17, 0, 0), 0};
    RecordingSound sound_;
    int quits_ = 0;
    std::unique_ptr<TForm_Main> form_;
};

TEST_F(FormMain, StartsWithTheDefaultSiteAndEclipse51) {
    Open();
    EXPECT_EQ(Get<QLineEdit>("Edit_Lati")->text(), "25.0000");
    EXPECT_EQ(Get<QComboBox>("ComboBox_NS")->currentText(), "N");
    EXPECT_EQ(Get<QLineEdit>("Edit_Long")->text(), "103.5000");
    EXPECT_EQ(Get<QComboBox>("ComboBox_EW")->currentText(), "W");
    EXPECT_EQ(Get<QLineEdit>("Edit_Height")->text(), "800");
    EXPECT_EQ(Get<QLineEdit>("Edit_DeltaT")->text(), "71");
    EXPECT_FALSE(Get<QCheckBox>("CheckBox_DeltaT_Man")->isChecked());
    EXPECT_EQ(Get<QScrollBar>("ScrollBar_Eclipse")->value(), 51);
    EXPECT_EQ(Get<QScrollBar>("ScrollBar_Eclipse")->maximum(), 224);
    EXPECT_EQ(Text("Label_Datum"), "2024-04-08");
    EXPECT_EQ(Text("SoFiTyp_Label"), "Total");
    EXPECT_EQ(Text("Label_DeltaT"), "DeltaT 69.2 sec");
    EXPECT_TRUE(Text("Label_Zeit").startsWith("Greatest eclipse at 18:1"));
    EXPECT_TRUE(form_->windowTitle().startsWith("Zelto  Vers."));
    EXPECT_TRUE(form_->windowTitle().endsWith("Total solar eclipse"));
    EXPECT_EQ(Panel(1), "25.0000");
    EXPECT_EQ(Panel(2), "103.5000");
    EXPECT_EQ(Panel(3), "800");
    EXPECT_EQ(Panel(4), "69.2");
    EXPECT_EQ(Text("Label12"), "System Time");
    EXPECT_EQ(Text("Label_UT"), "UT: 2024-04-08 17:00:00");
    EXPECT_EQ(form_->timer()->interval(), 250);
    EXPECT_TRUE(form_->timer()->isActive());
    // The default site lies in the path of totality: every contact is shown, C1 past, C2 to come.
    EXPECT_TRUE(Text("Label_C1").startsWith("C1: 2024-04-08 16:"));
    EXPECT_TRUE(Text("Label_C2").startsWith("C2: 2024-04-08 18:"));
    EXPECT_EQ(TextColour("Label_C1Diff"), QColor(255, 144, 144));
    EXPECT_EQ(TextColour("Label_C2Diff"), QColor(0, 255, 0));
    EXPECT_EQ(TextColour("Label_C2"), QColor(40, 210, 40));
    EXPECT_TRUE(Text("Label_Pb").startsWith("P1: 2024-04-08 15:"));
    EXPECT_EQ(TextColour("Label_Pb"), QColor(240, 160, 160));
    EXPECT_EQ(TextColour("Label_Pe"), QColor(160, 192, 0));
    EXPECT_NE(Shared().contacts.ContactJD[kC2], 0);
    // Map 343 × 171: 25° N, 103.5° W lies up and left of the centre.
    EXPECT_EQ(Get<QFrame>("Panel1")->size(), QSize(343, 171));
    EXPECT_EQ(Get<QFrame>("Shape_Lati")->geometry(), QRect(0, 61, 343, 3));
    EXPECT_EQ(Get<QFrame>("Shape_Long")->geometry(), QRect(72, 0, 3, 171));
    // Menus at start.
    EXPECT_FALSE(Action("Normal1")->isEnabled());
    EXPECT_TRUE(Action("Large1")->isEnabled());
    EXPECT_TRUE(Action("Small1")->isEnabled());
    EXPECT_FALSE(Action("Tests")->isEnabled());
    EXPECT_FALSE(Action("Exposure_Tables")->isEnabled());
    EXPECT_TRUE(Action("Spoken_Commands")->isChecked());
    EXPECT_FALSE(Action("Zehntelsekunden")->isChecked());
    EXPECT_EQ(Action("Exit_and_save")->text(), "E&xit (save coordinates)");
    EXPECT_EQ(Action("Exit_no_save")->text(), "&Quit (don't save coordinates)");
    EXPECT_FALSE(Get<QFrame>("Panel_About")->isVisible());
    EXPECT_FALSE(Get<QFrame>("Panel_Spoken_commands")->isVisible());

    // The eclipse chooser: an arrow key or a wheel notch is one eclipse, Home and End the ends.
    QScrollBar* chooser = Get<QScrollBar>("ScrollBar_Eclipse");
    EXPECT_EQ(chooser->value(), 51);
    QTest::keyClick(chooser, Qt::Key_Right);
    EXPECT_EQ(chooser->value(), 52);
    QWheelEvent notch(QPointF(5, 5), chooser->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(chooser, &notch);
    EXPECT_EQ(chooser->value(), 53);
    QTest::keyClick(chooser, Qt::Key_End);
    EXPECT_EQ(chooser->value(), 224);
    QTest::keyClick(chooser, Qt::Key_Home);
    EXPECT_EQ(chooser->value(), 1);

    // The list picks one directly: it opens on the eclipse shown; Enter takes the row chosen.
    Action("Eclipse_List")->trigger();
    auto* list = form_->findChild<QTableWidget*>("EclipseList_Table");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->currentRow(), 0);
    const int row = static_cast<int>(list->findItems("2027-08-02", Qt::MatchExactly).front()->row());
    EXPECT_EQ(list->item(row, 1)->text(), "Total solar eclipse");
    EXPECT_EQ(list->item(row, 3)->text(), "6 min 23 s");
    list->selectRow(row);
    QTest::keyClick(list->window(), Qt::Key_Return);
    EXPECT_EQ(chooser->value(), row + 1);
    EXPECT_FALSE(list->isVisible());
}

// What is in use is always a valid site: an edit that cannot be used stays red and the last valid
// value stays in use, in the status line, the header and a table saved now.
TEST_F(FormMain, OnlyValidSiteEditsAreUsed) {
    Open();
    const auto marked = [this](const char* name) {
        return Get<QLineEdit>(name)->palette().color(QPalette::Base) != QColor(Qt::white);
    };
    EXPECT_EQ(Get<QLabel>("StatusBar1_Panel2")->toolTip(),
              "Longitude in degrees, west positive (east negative)");
    struct Step {
        const char* edit;
        const char* typed;
        int panel;            // the status panel that shows the value in use
        const char* inUse;    // what it shows afterwards
        const char* tooltip;  // empty: the edit is not marked
    };
    const Step steps[] = {
        {"Edit_Lati", "45:30", 1, "45.5000", ""},
        {"Edit_Lati", "abc", 1, "45.5000",
         "\"abc\" is not degrees, d:m or d\u00b0m'\nnot used: still 45.5000 N"},
        {"Edit_Lati", "25,6872", 1, "25.6872", ""},
        {"Edit_Lati", "32\u00b038'23\"", 1, "32.6397", ""},
        {"Edit_Lati", "372", 1, "37.0000", "a latitude goes up to 90\u00b0\nnot used: still 37.0000 N"},
        {"Edit_Lati", ".", 1, "37.0000", "\".\" is not degrees, d:m or d\u00b0m'\nnot used: still 37.0000 N"},
        {"Edit_Long", "200", 2, "20.0000", "a longitude goes up to 180\u00b0\nnot used: still 20.0000 W"},
        {"Edit_Long", "+2.35", 2, "-2.3500", ""},  // the sign chose E, the edit keeps 2.35
        {"Edit_Height", "-430", 3, "-430", ""},
        {"Edit_Height", "-600", 3, "-60",
         "\"-600\" is not a height from -500 to 25000 m\nnot used: still -60 m"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.typed);
        Type(step.edit, QString::fromUtf8(step.typed));
        EXPECT_EQ(Panel(step.panel), step.inUse);
        EXPECT_EQ(marked(step.edit), *step.tooltip != '\0');
        EXPECT_EQ(Get<QLineEdit>(step.edit)->toolTip(), QString::fromUtf8(step.tooltip));
    }
    EXPECT_EQ(Get<QLineEdit>("Edit_Long")->text(), "2.35");
    EXPECT_EQ(Get<QComboBox>("ComboBox_EW")->currentText(), "E");
    // A table saved now carries the site in use, which the table reader takes back.
    const TableFileSite saved = form_->TableSite();
    EXPECT_EQ(saved.Latitude + (saved.North ? "N " : "S ") + saved.Longitude + (saved.East ? "E " : "W ") +
                  saved.Height,
              "37N 2.35E -60");

    // A manual ΔT of 600 s puts the automatic ΔT in use (69.2 s for 2024-04) and says so.
    Type("Edit_Lati", "25");
    Type("Edit_Long", "103.5W");
    Type("Edit_Height", "800");
    EXPECT_EQ(Text("Label_Zeit"), "Greatest eclipse at 18:17:20.2 UT");
    QTest::mouseClick(Get<QCheckBox>("CheckBox_DeltaT_Man"), Qt::LeftButton);
    Type("Edit_DeltaT", "600");
    EXPECT_TRUE(marked("Edit_DeltaT"));
    EXPECT_EQ(Get<QLineEdit>("Edit_DeltaT")->toolTip(),
              "\"600\" is not a DeltaT from 0 to 500 s\nnot used: the automatic DeltaT is in use (69.2 s)");
    EXPECT_EQ(Text("Label_DeltaT"), "DeltaT 69.2 sec");
    EXPECT_EQ(Text("Label_Zeit"), "Greatest eclipse at 18:17:20.2 UT");
    Type("Edit_DeltaT", "0");
    EXPECT_FALSE(marked("Edit_DeltaT"));
    EXPECT_EQ(Text("Label_Zeit"), "Greatest eclipse at 18:18:29.4 UT");  // 69.2 s later in UT
}

TEST_F(FormMain, HiddenContactsAndPartialSites) {
    Open();
    // 25° N 103.5° E: night in Asia during the eclipse, no contact is shown.
    Get<QComboBox>("ComboBox_EW")->setCurrentText("E");
    EXPECT_EQ(Text("Label_C1"), "C1: not visible here");
    EXPECT_EQ(Text("Label_C1Diff"), "");
    EXPECT_EQ(Text("Label_C1Hgt"), "-");
    EXPECT_EQ(TextColour("Label_C1"), QColor(176, 176, 176));
    EXPECT_EQ(Shared().contacts.ContactJD[kC1], 0);
    Action("Zehntelsekunden")->trigger();
    form_->OnClockTick();
    EXPECT_EQ(Text("Label_C1"), "C1: not visible here");
    EXPECT_EQ(Text("Label_Mx"), "Mx: not visible here");
    EXPECT_EQ(Text("Label_Duration"), "Eclipse not visible here (Sun below the horizon)");

    // New York sees a partial eclipse with the Sun up: C1, Mx, C4 but never C2 or C3.
    Get<QComboBox>("ComboBox_EW")->setCurrentText("W");
    Type("Edit_Lati", "40:42:46");
    Type("Edit_Long", "74:00:22");
    Type("Edit_Height", "10");
    EXPECT_TRUE(Text("Label_C1").startsWith("C1: 2024-04-08 18:"));
    EXPECT_TRUE(Text("Label_Mx").startsWith("Mx: 2024-04-08 19:"));
    EXPECT_EQ(Text("Label_C2"), "C2: not visible here");
    EXPECT_EQ(Text("Label_C3"), "C3: not visible here");
    EXPECT_EQ(Text("Label_Duration"), "Partial eclipse only");
    EXPECT_EQ(Text("Label_C3V"), "-");
}

TEST_F(FormMain, ReadableLabelsSiteSummaryAndSavedSettings) {
    Open();
    // The site's own figures, as zelto-cli circumstances gives them: C2 18:16:16.3, C3 18:19:25.9.
    EXPECT_EQ(Text("Label_Duration"), "Totality 3 min 9.6 s");
    EXPECT_EQ(Text("Label_Magnitude"), "Magnitude 1.0082");
    EXPECT_EQ(Text("Label_EclipseNumber"), "No. 51");
    Get<QScrollBar>("ScrollBar_Eclipse")->setValue(52);
    EXPECT_EQ(Text("Label_EclipseNumber"), "No. 52");
    Get<QScrollBar>("ScrollBar_Eclipse")->setValue(51);

    // Past contacts and P1/P4 (all past but P4 at 20:40 UT), and hidden rows, read on the background.
    const QColor background = Get<QWidget>("Form_Main_Client")->palette().color(QPalette::Window);
    const auto allReadable = [&](const char* when) {
        for (const std::string_view name : ContactLabelNames()) {
            const QColor text = TextColour(std::string(name).c_str());
            EXPECT_GE(ContrastRatio(text, background), 4.5)
                << when << ' ' << name << ' ' << text.name().toStdString();
        }
    };
    clock_.SetJD(CalendarToJD(2024, 4, 8, 20, 40, 0));
    form_->OnClockTick();
    allReadable("past");
    Get<QComboBox>("ComboBox_EW")->setCurrentText("E");
    allReadable("hidden");

    // The About grid: dark text on its white cells.
    Action("Version1")->trigger();
    auto* grid = Get<QTableWidget>("StringGrid_VersionsInfo");
    EXPECT_GE(ContrastRatio(grid->palette().color(QPalette::Text), grid->palette().color(QPalette::Base)),
              4.5);

    // Large scales the menus and the status line with the rest.
    const double menuPoints = form_->menuBar()->font().pointSizeF();
    const double panelPoints = Get<QLabel>("StatusBar1_Panel1")->font().pointSizeF();
    Action("Large1")->trigger();
    EXPECT_DOUBLE_EQ(form_->menuBar()->font().pointSizeF(), menuPoints * 1.5);
    EXPECT_DOUBLE_EQ(Get<QLabel>("StatusBar1_Panel1")->font().pointSizeF(), panelPoints * 1.5);
    Action("Normal1")->trigger();
    EXPECT_DOUBLE_EQ(form_->menuBar()->font().pointSizeF(), menuPoints);

    // A "Zelto.prm" that cannot be written is shown, not only logged.
    std::vector<std::string> shown;
    form_->SetMessageBox([&shown](const std::string&, const std::string& text) { shown.push_back(text); });
    Shared().folders.AppDataFolder = home_.path().toStdString() + "/no such folder/";
    form_->close();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("I/O error: cannot write \"" + Prm() + "\"", 0), 0u) << shown[0];
}

TEST_F(FormMain, AContactExactlyNowCountsAsToCome) {
    Open();
    clock_.SetJD(Shared().contacts.ContactJD[kMx]);
    form_->OnClockTick();
    EXPECT_EQ(Text("Label_MxDiff"), "+0 d 00:00:00");
    EXPECT_EQ(TextColour("Label_MxDiff"), QColor(0, 255, 0));
    EXPECT_EQ(TextColour("Label_Mx"), QColor(40, 210, 40));
    EXPECT_EQ(TextColour("Label_C1Diff"), QColor(255, 144, 144));
}

TEST_F(FormMain, RehearsalTimeAndTenths) {
    Open();
    Shared().time.TimeOffset = 0.5;
    form_->OnClockTick();
    EXPECT_EQ(Text("Label12"), "Rehearsal Time");
    EXPECT_EQ(Get<QLabel>("Label12")->palette().color(QPalette::Window), QColor(200, 0, 0));
    EXPECT_EQ(Get<QLabel>("Label_UT")->palette().color(QPalette::Window), QColor(200, 0, 0));
    EXPECT_EQ(Text("Label_UT"), "UT: 2024-04-09 05:00:00");  // 12 h after the computer's clock
    Shared().time.TimeOffset = 0;
    form_->OnClockTick();
    EXPECT_EQ(Text("Label12"), "System Time");
    EXPECT_EQ(Get<QLabel>("Label12")->palette().color(QPalette::Window), QColor(208, 208, 208));
    EXPECT_EQ(Get<QLabel>("Label_UT")->palette().color(QPalette::Window), QColor(0, 0, 0));

    Action("Zehntelsekunden")->trigger();
    EXPECT_EQ(form_->timer()->interval(), 250);
    form_->OnClockTick();
    EXPECT_EQ(Text("Label_UT"), "UT: 2024-04-08 17:00:00.0");
    EXPECT_TRUE(Text("Label_C2Diff").endsWith(".0") || Text("Label_C2Diff").contains('.'));
    Action("Zehntelsekunden")->trigger();
    EXPECT_EQ(form_->timer()->interval(), 500);
    EXPECT_EQ(Shared().time.TenthsFlag, 0);
    form_->OnClockTick();
    EXPECT_EQ(Text("Label_UT"), "UT: 2024-04-08 17:00:00");
    EXPECT_FALSE(Text("Label_C2Diff").contains('.'));
}

// An open panel lies whole in the window's client area, centred in it.
void ExpectCentred(const QWidget& panel) {
    const QRect client = panel.parentWidget()->rect();
    EXPECT_TRUE(client.contains(panel.geometry())) << panel.objectName().toStdString();
    EXPECT_LE((panel.geometry().center() - client.center()).manhattanLength(), 2);
}

TEST_F(FormMain, WindowSizes) {
    Open();
    const QSize laptop(1366, 768);
    form_->SetFormSize(TForm_Main::FormSize::Normal, laptop);
    const QSize normal = form_->size();
    Action("Large1")->trigger();
    EXPECT_EQ(form_->formSize(), TForm_Main::FormSize::Large);
    EXPECT_TRUE(Action("Normal1")->isEnabled());
    EXPECT_FALSE(Action("Large1")->isEnabled());
    EXPECT_FALSE(Action("Small1")->isEnabled());
    form_->SetFormSize(TForm_Main::FormSize::Large, laptop);
    EXPECT_GT(form_->width(), normal.width());
    EXPECT_LE(form_->width(), 1366);
    EXPECT_LE(form_->height(), 768);
    EXPECT_EQ(Get<QFrame>("Panel1")->size(), QSize(515, 257));  // 343 × 171 by 3/2
    EXPECT_EQ(Get<QFrame>("Shape_Lati")->height(), 3);
    EXPECT_EQ(Get<QFrame>("Shape_Long")->width(), 3);
    Action("Normal1")->trigger();
    EXPECT_FALSE(Action("Normal1")->isEnabled());
    form_->SetFormSize(TForm_Main::FormSize::Normal, laptop);
    EXPECT_EQ(form_->size(), normal);
    EXPECT_EQ(Get<QFrame>("Panel1")->size(), QSize(343, 171));
    form_->SetFormSize(TForm_Main::FormSize::Small, laptop);
    EXPECT_LT(form_->width(), normal.width());
    form_->SetFormSize(TForm_Main::FormSize::Normal, laptop);
    EXPECT_EQ(form_->size(), normal);

    // An open panel scales with the window and stays centred in it.
    Action("Speaker1")->trigger();
    auto* panel = Get<QFrame>("Panel_Spoken_commands");
    const QSize panelAtNormal = panel->size();
    form_->SetFormSize(TForm_Main::FormSize::Large, laptop);
    QCoreApplication::processEvents();
    EXPECT_GT(panel->width(), panelAtNormal.width());
    ExpectCentred(*panel);
    form_->SetFormSize(TForm_Main::FormSize::Normal, laptop);
    QCoreApplication::processEvents();
    ExpectCentred(*panel);
    EXPECT_TRUE(panel->isVisible());

    // A screen smaller than the window: the window keeps inside it and its client scrolls.
    form_->SetFormSize(TForm_Main::FormSize::Normal, QSize(800, 500));
    QCoreApplication::processEvents();
    EXPECT_LE(form_->height(), 500);
    EXPECT_GT(Get<QScrollArea>("ScrollBox_Main")->verticalScrollBar()->maximum(), 0);
}

TEST_F(FormMain, ParameterFileRoundTripThroughExitAndRestart) {
    Open();
    Type("Edit_Lati", "45:30:15");
    Get<QComboBox>("ComboBox_NS")->setCurrentText("S");
    Type("Edit_Long", "70.25");
    Get<QComboBox>("ComboBox_EW")->setCurrentText("W");
    Type("Edit_Height", "1200");
    Get<QScrollBar>("ScrollBar_Eclipse")->setValue(77);
    QTest::mouseClick(Get<QCheckBox>("CheckBox_DeltaT_Man"), Qt::LeftButton);
    Type("Edit_DeltaT", "75.5");
    EXPECT_EQ(Text("Label_DeltaT"), "DeltaT 75.5 sec");
    Action("Exit_and_save")->trigger();
    EXPECT_TRUE(Shared().flags.AbortShotsRequested);
    EXPECT_TRUE(Shared().flags.AbortRunRequested);
    EXPECT_EQ(ReadFile(Prm()),
              "1.0.0.0\r\n77\tEclipse#\r\n75.5\tmy DeltaT (sec)\r\n1\tmanual DeltaT\r\n45:30:15\tLatitude\r\n"
              "S\r\n70.25\tLongitude\r\nW\r\n1200\r\n");

    form_.reset();
    Shared().site = SiteInputs{};
    Open();
    EXPECT_EQ(Get<QLineEdit>("Edit_Lati")->text(), "45:30:15");
    EXPECT_EQ(Get<QComboBox>("ComboBox_NS")->currentText(), "S");
    EXPECT_EQ(Get<QLineEdit>("Edit_Long")->text(), "70.25");
    EXPECT_EQ(Get<QLineEdit>("Edit_Height")->text(), "1200");
    EXPECT_EQ(Get<QLineEdit>("Edit_DeltaT")->text(), "75.5");
    EXPECT_TRUE(Get<QCheckBox>("CheckBox_DeltaT_Man")->isChecked());
    EXPECT_FALSE(Get<QLineEdit>("Edit_DeltaT")->isHidden());
    EXPECT_EQ(Get<QScrollBar>("ScrollBar_Eclipse")->value(), 77);
    EXPECT_EQ(Text("Label_DeltaT"), "DeltaT 75.5 sec");
    EXPECT_EQ(Panel(1), "-45.5042");
}

TEST_F(FormMain, ParameterFileVersionRangeAndHemisphereRules) {
    WriteFile(Prm(), "0.9\r\n99\tEclipse#\r\n");
    Open();
    EXPECT_FALSE(fs::exists(Prm()));
    EXPECT_EQ(Get<QScrollBar>("ScrollBar_Eclipse")->value(), 51);
    form_.reset();

    WriteFile(Prm(),
              "1.0.0.0\r\n300\tEclipse#\r\n71\tmy DeltaT (sec)\r\n0\tautomatic DeltaT\r\n95\tLatitude\r\n"
              "n\r\n181\tLongitude\r\nE\r\n99999\r\n");
    Open();
    EXPECT_EQ(Get<QScrollBar>("ScrollBar_Eclipse")->value(), 224);
    EXPECT_EQ(Get<QLineEdit>("Edit_Lati")->text(), "0.0000");
    EXPECT_EQ(Get<QComboBox>("ComboBox_NS")->currentText(), "S");
    EXPECT_EQ(Get<QLineEdit>("Edit_Long")->text(), "0.0000");
    EXPECT_EQ(Get<QComboBox>("ComboBox_EW")->currentText(), "E");
    EXPECT_EQ(Get<QLineEdit>("Edit_Height")->text(), "0000");
    EXPECT_FALSE(Get<QCheckBox>("CheckBox_DeltaT_Man")->isChecked());
    EXPECT_TRUE(Get<QLineEdit>("Edit_DeltaT")->isHidden());
    EXPECT_EQ(Text("Label_Datum"), "2100-09-04");
}

TEST_F(FormMain, CameraLogAtStartAndCloseAndQuitWritesNothing) {
    WriteFile(Documents() + "Camera.ini", "left over");
    Open();
    EXPECT_FALSE(fs::exists(Documents() + "Camera.ini"));

    // This run's log replaces the previous run's at close (the title-bar close box).
    WriteFile(Documents() + "Camera.ini", "this run");
    WriteFile(Documents() + "Camera.txt", "previous run");
    form_->close();
    EXPECT_FALSE(fs::exists(Documents() + "Camera.ini"));
    EXPECT_EQ(ReadFile(Documents() + "Camera.txt"), "this run");
    EXPECT_TRUE(fs::exists(Prm()));
    form_.reset();

    fs::remove(Prm());
    Open();
    WriteFile(Documents() + "Camera.ini", "kept");
    Action("Exit_no_save")->trigger();
    EXPECT_EQ(quits_, 1);
    EXPECT_FALSE(fs::exists(Prm()));
    EXPECT_EQ(ReadFile(Documents() + "Camera.ini"), "kept");
    form_->SetQuitProcess([] {});
}

// Without a sound output the status line says that the countdown and sound rows are silent.
TEST_F(FormMain, NoSoundOutputIsSaid) {
    for (const bool output : {true, false}) {
        sound_.output = output;
        Open();
        EXPECT_EQ(Get("Label_NoSound")->isVisible(), !output);
        EXPECT_EQ(Text("Label_NoSound"), "No sound output: spoken countdown and sound rows are silent");
    }
}

TEST_F(FormMain, SpokenCommandsAndPanels) {
    Open();
    const std::string program = Shared().folders.ResourceFolder;
    Action("Spoken_Commands")->trigger();  // off
    EXPECT_FALSE(Action("Speaker1")->isEnabled());
    EXPECT_FALSE(Shared().flags.SpokenCommands);
    EXPECT_TRUE(sound_.played.empty());
    Action("Spoken_Commands")->trigger();  // on again
    EXPECT_TRUE(Action("Speaker1")->isEnabled());
    ASSERT_EQ(sound_.played.size(), 1u);
    EXPECT_EQ(sound_.played[0], program + "OK.wav");

    Action("Speaker1")->trigger();
    auto* panel = Get<QFrame>("Panel_Spoken_commands");
    EXPECT_TRUE(panel->isVisible());
    ExpectCentred(*panel);
    QTest::mouseClick(Get<QPushButton>("Button_RemoveFilters"), Qt::LeftButton);
    QTest::mouseClick(Get<QPushButton>("Button_AttachFilters"), Qt::LeftButton);
    EXPECT_EQ(sound_.played.back(), program + "attach_filters.wav");
    EXPECT_EQ(sound_.played[1], program + "remove_filters.wav");
    QTest::mouseClick(Get<QPushButton>("Button_Spoken_Commands_Close"), Qt::LeftButton);
    EXPECT_FALSE(panel->isVisible());

    Action("Version1")->trigger();
    EXPECT_TRUE(Get<QFrame>("Panel_About")->isVisible());
    auto* grid = Get<QTableWidget>("StringGrid_VersionsInfo");
    EXPECT_EQ(grid->rowCount(), 11);
    EXPECT_EQ(grid->item(3, 0)->text(), "Version");
    EXPECT_EQ(grid->item(9, 0)->text(), "Kernel");
    EXPECT_EQ(grid->item(9, 1)->text(), QSysInfo::kernelVersion());
    EXPECT_EQ(Text("Label_About_Name"), "Zelto      " + grid->item(3, 1)->text());
    QTest::mouseClick(Get<QPushButton>("Button_About_OK"), Qt::LeftButton);
    EXPECT_FALSE(Get<QFrame>("Panel_About")->isVisible());
}

// "Spoken countdown" is off at first, kept in Zelto.opt (Zelto.prm keeps its nine lines) and counts
// down on the clock in force: here a rehearsal offset puts it 29.9 s before C2.
TEST_F(FormMain, SpokenCountdownOptionIsKeptAndFollowsTheRehearsalClock) {
    Open();
    QAction* option = Action("Spoken_Countdown");
    EXPECT_FALSE(option->isChecked());
    EXPECT_FALSE(form_->countdownTimer()->isActive());
    option->trigger();
    EXPECT_TRUE(form_->countdownTimer()->isActive());
    EXPECT_EQ(ReadFile(Shared().folders.AppDataFolder + "Zelto.opt"),
              "SpokenCountdown=1\r\nKeepAwake=1\r\nNightMode=0\r\n");

    const double c2 = Shared().contacts.ContactJD[kC2];
    Shared().time.TimeOffset = c2 - 29.9 / 86400 - clock_.CurrentJD();
    form_->OnCountdownTick();
    ASSERT_FALSE(sound_.played.empty());
    EXPECT_EQ(sound_.played.back(), Shared().folders.ResourceFolder + "countdown_thirty_seconds.wav");
    Shared().time.TimeOffset = 0;

    Action("Exit_and_save")->trigger();
    const std::string prm = ReadFile(Prm());
    EXPECT_EQ(std::count(prm.begin(), prm.end(), '\n'), 9);
    form_.reset();
    Open();
    EXPECT_TRUE(Action("Spoken_Countdown")->isChecked());
    EXPECT_TRUE(form_->countdownTimer()->isActive());
    // A camera the camera window kept after this window started stays when it keeps an option.
    const std::string options = Shared().folders.AppDataFolder + "Zelto.opt";
    ProgramOptions kept = ReadOptionsFile(options);
    kept.Cameras = {{"Wide", "VIRTUAL0002", ""}};
    ASSERT_TRUE(WriteOptionsFile(options, kept));
    Action("Spoken_Countdown")->trigger();
    EXPECT_FALSE(form_->countdownTimer()->isActive());
    EXPECT_EQ(ReadFile(options),
              "SpokenCountdown=0\r\nKeepAwake=1\r\nNightMode=0\r\nCamera=Wide,VIRTUAL0002\r\n");
}

}  // namespace
}  // namespace zelto
