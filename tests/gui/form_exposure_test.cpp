#include "exposure_window/form_exposure.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "camera/camera_log.h"
#include "circumstances/contact_display.h"
#include "cli_process.h"
#include "eclipse_data/julian.h"
#include "exposure/table_file.h"
#include "main_window/form_main.h"
#include "platform/qt_text.h"
#include "window_test_support.h"

namespace zelto {
namespace {

namespace fs = std::filesystem;

std::string FileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The default site sees the total eclipse 51; the others a partial one, the annular eclipse 50 and none.
const TableFileSite kTotalSite{51, "25.0000", true, "103.5000", false, "800"};
const TableFileSite kPartialSite{51, "40.0000", true, "100.0000", false, "0"};
const TableFileSite kAnnularSite{50, "35.0844", true, "106.6504", false, "1500"};
const TableFileSite kNoEclipseSite{51, "60.0000", false, "100.0000", true, "0"};

class FormExposure : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        docs = fs::path(home.path().toStdString()) / "Documents";
        fs::create_directories(docs);
        SharedVariables& shared = Shared();
        const std::string base = home.path().toStdString() + "/";
        shared.folders = {base, docs.string() + "/", base, base, base};
        shared.camera.CameraName.clear();
        shared.camera = CameraState{};
        ResetSharedState(shared);
        main = std::make_unique<TForm_Main>(shared, clock, sound);
        main->SetQuitApplicationOnClose(false);
        main->SetQuitProcess([] {});
        form = std::make_unique<TForm_Exposure>(shared, *main);
        form->SetMessageBox([this](const std::string&, const std::string& text) { boxes.push_back(text); });
        form->SetFileDialogs([this](auto chosen) { ++openDialogs, chosen(openPath); },
                             [this](auto chosen) { chosen(saveAsPath); });
        form->SetQuestionBox([this](const std::string&, const std::string& text, auto reply) {
            questions.push_back(text);
            reply(answer);
        });
    }
    void TearDown() override {
        form.reset();
        main.reset();
        Shared().camera.CameraName.clear();
    }

    void OpenAt(const TableFileSite& site) {
        main->LoadTableSite(site);
        form->OpenWindow();
    }
    template <typename W>
    W* Find(const char* name) {
        return FindControl<W>(*form, name);
    }
    void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
    QString Text(const char* name) { return Find<QLabel>(name)->text(); }
    QTableView* NGE() { return Find<QTableView>("NGE"); }
    QAbstractItemModel* Grid() { return NGE()->model(); }
    int Rows() { return Grid()->rowCount(); }
    int CurrentRow() { return NGE()->currentIndex().row(); }
    int FindPhase(const std::string& phase) {
        for (int r = 0; r < form->table().RowCount(); ++r) {
            if (form->table().Row(r)[kColumnPhase] == phase) return r;
        }
        return -1;
    }
    void ClickGutter(int row, Qt::MouseButton button) {
        NGE()->scrollTo(Grid()->index(row, 0));
        QHeaderView* gutter = NGE()->verticalHeader();
        QTest::mouseClick(gutter->viewport(), button, {},
                          QPoint(10, gutter->sectionViewportPosition(row) + 10));
    }
    QAction* TablesItem() { return main->exposureTablesItem(); }

    QTemporaryDir home;
    fs::path docs;
    FakeClock clock{CalendarToJD(2024, 4, 8, 17, 0, 0), 0};
    Silent sound;
    std::unique_ptr<TForm_Main> main;
    std::unique_ptr<TForm_Exposure> form;
    std::vector<std::string> boxes, questions;
    bool answer = true;
    int openDialogs = 0;
    std::string openPath, saveAsPath;
};

TEST_F(FormExposure, HeadingsGroupsAndColoursByLocalType) {
    const QString bullet = "Bullet desired items and press the \"Create Exposure Table\" Button";
    const QColor green(160, 255, 160), yellow(240, 240, 32), light(240, 240, 240), grey(224, 224, 224),
        annular(208, 208, 208), loop(80, 255, 80);
    struct Case {
        const TableFileSite& site;
        char type;
        QString line1, line2;
        std::vector<const char*> groups;                      // shown; the other option groups are hidden
        const char* heading;                                  // Label_Exp1 after Create
        std::vector<std::pair<const char*, QColor>> colours;  // an invalid colour: the grid's own
    };
    const Case cases[] = {
        {kNoEclipseSite,
         '-',
         "The Solar Eclipse is not visible at the given location",
         "Please select another eclipse or location",
         {},
         nullptr,
         {}},
        {kPartialSite,
         'p',
         "Exposure Table for Partial Solar Eclipse",
         bullet,
         {"GroupBox_PartialPhases"},
         "Exposure Table for Partial Solar Eclipse",
         {{"before partial eclipse", yellow},
          {"beginning partial phase", light},
          {"maximum partial eclipse", green},
          {"ending partial phase", light},
          {"after partial eclipse", yellow}}},
        {kTotalSite,
         't',
         "Exposure Table for Total Solar Eclipse",
         bullet,
         {"GroupBox_PartialPhases", "GroupBox_BailysBeads", "GroupBox_Totality"},
         "Exposure Table for Total Eclipse: Totality at location is ",
         {{"remove_filters.wav", {}},
          {"Baily's beads (C2-8.0sec)", grey},
          {"C2: begin of total phase", green},
          {"Loop during totality until", loop},
          {"C3: end of total phase", green},
          {"attach_filters.wav", {}}}},
        {kAnnularSite,
         'a',
         "Exposure Table for Annular Solar Eclipse",
         bullet,
         {"GroupBox_PartialPhases", "GroupBox_BrokenRing", "GroupBox_Annularity"},
         "Exposure Table for Annular Eclipse: Annularity at location is ",
         {{"broken ring (C2+1.0sec)", grey},
          {"C2: begin of annular phase", green},
          {"annular phase (Mx-10sec)", annular},
          {"Mx: maximum annular eclipse", {}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        OpenAt(c.site);
        EXPECT_EQ(form->windowTitle(), "Zelto - Exposure table");
        // At the normal form size the window takes the whole of its layout inside 1366 × 768 (no
        // scrolling), the headings above the option groups, the grid below "Create".
        form->SetFormSize(FormSize::Normal, QSize(1366, 768));
        EXPECT_EQ(form->size(), form->sizeHint());
        EXPECT_LE(form->width(), 1366);
        EXPECT_LE(form->height(), 740);
        const auto top = [this](const char* name) {
            return Find<QWidget>(name)->mapTo(form.get(), QPoint()).y();
        };
        const auto bottom = [&](const char* name) { return top(name) + Find<QWidget>(name)->height(); };
        EXPECT_LE(bottom("Label_Exp2"), top("GroupBox_Camera_Defaults"));
        EXPECT_LE(bottom("Button_Create_ExposureList"), top("NGE"));
        EXPECT_FALSE(TablesItem()->isEnabled());
        // A site that allows no table says why beside its type; Create stays to say it again.
        EXPECT_EQ(Text("StatusBar1_Text"),
                  ToQString(KindHere(c.type)) + (c.heading ? "" : "  There is no eclipse at this site."));
        EXPECT_EQ(Text("Label_Exp1"), c.line1);
        EXPECT_EQ(Text("Label_Exp2"), c.line2);
        for (const char* group : {"GroupBox_PartialPhases", "GroupBox_BailysBeads", "GroupBox_Totality",
                                  "GroupBox_BrokenRing", "GroupBox_Annularity"}) {
            const bool shown =
                std::find(c.groups.begin(), c.groups.end(), std::string_view(group)) != c.groups.end();
            EXPECT_EQ(Find<QGroupBox>(group)->isVisible(), shown) << group;
        }
        EXPECT_TRUE(Find<QGroupBox>("GroupBox_Camera_Defaults")->isVisible());
        EXPECT_TRUE(Find<QPushButton>("Button_Create_ExposureList")->isEnabled());
        if (!c.heading) continue;

        Click("Button_Create_ExposureList");
        ASSERT_GT(Rows(), 0);
        EXPECT_TRUE(Text("Label_Exp1").startsWith(c.heading)) << Text("Label_Exp1").toStdString();
        EXPECT_TRUE(Text("StatusBar1_Text").startsWith(ToQString(KindHere(c.type)) + ": C1 "));
        for (const auto& [phase, colour] : c.colours) {
            const int row = FindPhase(phase);
            ASSERT_GE(row, 0) << phase;
            for (int column : {0, 1, 22}) {
                const QVariant fill = Grid()->data(Grid()->index(row, column), Qt::BackgroundRole);
                const QVariant text = Grid()->data(Grid()->index(row, column), Qt::ForegroundRole);
                EXPECT_EQ(fill.isValid() ? fill.value<QBrush>().color() : QColor(), colour) << phase;
                EXPECT_EQ(text.isValid(), colour.isValid()) << phase;
                if (text.isValid()) {
                    EXPECT_EQ(text.value<QBrush>().color(), QColor(Qt::black));
                }
            }
        }
        Find<QAction>("Exit1")->trigger();
        EXPECT_FALSE(form->isVisible());
        EXPECT_TRUE(TablesItem()->isEnabled());
    }
}

TEST_F(FormExposure, GridAndDefaultsAtStartAndAfterCreate) {
    // Before the first opening: the "no table" state, columns 0 to 19 centred, 20 to 22 left.
    EXPECT_EQ(form->table().RowCount(), kNoTableRows);
    EXPECT_TRUE(form->table().IsNoTable());
    const auto alignment = [this](int column) {
        return Grid()->data(Grid()->index(0, column), Qt::TextAlignmentRole).value<Qt::Alignment>() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(alignment(1), Qt::AlignHCenter);
    EXPECT_EQ(alignment(19), Qt::AlignHCenter);
    EXPECT_EQ(alignment(20), Qt::AlignLeft);
    EXPECT_EQ(Grid()->headerData(2, Qt::Horizontal).toString(), "Date Time\n(UT)");
    EXPECT_EQ(Grid()->headerData(5, Qt::Horizontal).toString(), "f/");
    EXPECT_EQ(Grid()->headerData(0, Qt::Vertical).toString(), "1");
    EXPECT_EQ(NGE()->verticalHeader()->width(), 35);
    EXPECT_EQ(NGE()->rowHeight(0), 20);

    OpenAt(kTotalSite);
    EXPECT_EQ(Rows(), 0);
    for (const char* name : {"ComboBox_IQdef", "ComboBox_ISOdef", "ComboBox_AVdef"})
        EXPECT_EQ(Find<QComboBox>(name)->count(), 1);
    EXPECT_EQ(Find<QComboBox>("ComboBox_IQdef")->currentText(), "JPGLarFin");
    EXPECT_EQ(Find<QComboBox>("ComboBox_ISOdef")->currentText(), "100");
    EXPECT_EQ(Find<QComboBox>("ComboBox_AVdef")->currentText(), "f/4");
    EXPECT_FALSE(Find<QComboBox>("ComboBox_AEdef")->isEnabled());
    EXPECT_TRUE(Find<QRadioButton>("RadioButton5")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>("RadioButton_BBeads_08")->isChecked());
    EXPECT_EQ(Text("Label5"), "loop from 1/1000 to 4 s");
    EXPECT_EQ(Find<QRadioButton>("RadioButton_Loopnx")->text(), "loop nx from 1/1000 to 4 s");

    // Options are read at the press: the 8 s column joins the loop only when created again.
    Find<QAction>("Max_Exposure_8s")->trigger();
    EXPECT_EQ(Text("Label5"), "loop from 1/1000 to 8 s");
    EXPECT_EQ(Find<QRadioButton>("RadioButton_Loopnx")->text(), "loop nx from 1/1000 to 8 s");
    EXPECT_FALSE(Find<QAction>("Max_Exposure_4s")->isChecked());
    Find<QRadioButton>("RadioButton_BBeads_06")->click();
    Click("Button_Create_ExposureList");
    Find<QAction>("Max_Exposure_4s")->trigger();
    Find<QAction>("Max_Exposure_4s")->trigger();  // the ticked item stays ticked
    EXPECT_TRUE(Find<QAction>("Max_Exposure_4s")->isChecked());
    EXPECT_EQ(Text("Label5"), "loop from 1/1000 to 4 s");
    EXPECT_EQ(form->table().Row(FindPhase("Loop during totality until"))[kColumnLastShutter], "x");
    EXPECT_GE(FindPhase("Baily's beads (C2-6.0sec)"), 0);
    EXPECT_LT(FindPhase("Baily's beads (C2-7.0sec)"), 0);
    EXPECT_EQ(alignment(1), Qt::AlignLeft);
    EXPECT_EQ(alignment(21), Qt::AlignHCenter);

    // Reopening empties the table again, in place: the camera window holds on to the same table.
    const ExposureTable* held = &form->table();
    form->close();
    form->OpenWindow();
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(held->RowCount(), 0);
    EXPECT_FALSE(TablesItem()->isEnabled());
}

TEST_F(FormExposure, CameraDefaultsFromTheCameraLogWhileConnected) {
    SupportedCodesTable codes;
    SupportedCodeList& quality = codes.For(kEdsPropImageQuality);
    quality.count = 2;
    quality.codes[1] = 0x00240000;  // RAWa
    quality.codes[2] = 0x00130000;  // JPGaLarFin
    SupportedCodeList& iso = codes.For(kEdsPropISOSpeed);
    iso.count = 1;
    iso.codes[1] = 0x48;  // 100
    std::ofstream(docs / "Camera.ini", std::ios::binary)
        << CameraLogText(2460409.2, "1.0.0.0", ComputerInformation{}, "Canon EOS 6D", codes);
    Shared().camera.CameraName = "Canon EOS 6D";
    OpenAt(kTotalSite);
    const QComboBox* box = Find<QComboBox>("ComboBox_IQdef");
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->currentText(), "RAWa");
    EXPECT_EQ(box->itemText(1), "JPGaLarFin");
    EXPECT_EQ(Find<QComboBox>("ComboBox_ISOdef")->currentText(), "100");
    EXPECT_EQ(Find<QComboBox>("ComboBox_AVdef")->count(), 0);  // the camera allowed no aperture

    Click("Button_Create_ExposureList");
    const ExposureRow& first = form->table().Row(0);
    EXPECT_EQ(first[kColumnQuality], "RAWa");
    EXPECT_EQ(first[kColumnISO], "100");
    EXPECT_EQ(first[kColumnAperture], "");
}

TEST_F(FormExposure, RowCommandsFromTheGutterPanel) {
    OpenAt(kTotalSite);
    Click("Button_Insert_After");  // no rows, no current row: nothing happens
    Click("Button_Insert_Before");
    EXPECT_EQ(Rows(), 0);

    Click("Button_Create_ExposureList");
    const int rows = Rows();
    const int last = rows - 1;
    const std::string lastTime = form->table().Row(last)[kColumnDateTime];
    ClickGutter(last, Qt::RightButton);
    EXPECT_TRUE(Find<QFrame>("Panel_NGE_Insert_Delete")->isVisible());
    EXPECT_EQ(CurrentRow(), last);

    Click("Button_Insert_After");
    ASSERT_EQ(Rows(), rows + 1);
    EXPECT_EQ(form->table().Row(rows)[kColumnPhase], "Inserted line");
    EXPECT_EQ(form->table().Row(rows)[kColumnDateTime], lastTime);
    EXPECT_EQ(CurrentRow(), rows);
    EXPECT_EQ(NGE()->currentIndex().column(), 0);
    EXPECT_EQ(NGE()->selectionModel()->selectedIndexes().size(), kExposureColumns);
    EXPECT_FALSE(Grid()->data(Grid()->index(rows, 0), Qt::BackgroundRole).isValid());

    Click("Button_Insert_Before");  // takes the date-time of the row below it
    EXPECT_EQ(Rows(), rows + 2);
    EXPECT_EQ(CurrentRow(), rows);
    EXPECT_EQ(form->table().Row(rows)[kColumnDateTime], lastTime);

    // Two rows, row 0 current: deleting it leaves the other one, current row 0; the last row stays.
    while (Rows() > 2) {
        ClickGutter(1, Qt::LeftButton);
        Click("Button_Delete_Line");
    }
    const ExposureRow second = form->table().Row(1);
    ClickGutter(0, Qt::LeftButton);
    Click("Button_Delete_Line");
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(CurrentRow(), 0);
    EXPECT_EQ(form->table().Row(0), second);
    Click("Button_Delete_Line");
    EXPECT_EQ(Rows(), 1);

    // Only "&Done" hides the panel: closing and opening the window again leaves it where it was.
    Find<QAction>("Exit1")->trigger();
    form->OpenWindow();
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(Find<QFrame>("Panel_NGE_Insert_Delete")->isVisible());
    Click("Button_Done");
    EXPECT_FALSE(Find<QFrame>("Panel_NGE_Insert_Delete")->isVisible());
}

TEST_F(FormExposure, DoubleClickFitsColumnsOnlyOnAHeaderBorder) {
    OpenAt(kTotalSite);
    Click("Button_Create_ExposureList");
    QTableView* grid = NGE();
    for (int c = 0; c < kExposureColumns; ++c) grid->setColumnWidth(c, 6);
    const QRect cell = grid->visualRect(Grid()->index(0, 1));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    for (int c = 0; c < kExposureColumns; ++c) EXPECT_EQ(grid->columnWidth(c), 6) << c;

    QHeaderView* header = grid->horizontalHeader();
    const int border = header->sectionViewportPosition(1) + header->sectionSize(1) - 1;
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, QPoint(border, header->height() / 2));
    const QFontMetrics headerFont(header->font()), cellFont(grid->font());
    const TextWidth headerWidth = [&](std::string_view t) {
        return headerFont.horizontalAdvance(QString::fromLatin1(t.data(), static_cast<qsizetype>(t.size())));
    };
    const TextWidth cellWidth = [&](std::string_view t) {
        return cellFont.horizontalAdvance(QString::fromLatin1(t.data(), static_cast<qsizetype>(t.size())));
    };
    EXPECT_GE(grid->columnWidth(1), cellFont.horizontalAdvance("Loop during totality until ") + 10);
    // Every column is fitted, not only the one at the border.
    for (int c = 0; c < kExposureColumns; ++c)
        EXPECT_EQ(grid->columnWidth(c), FittedColumnWidth(form->table(), c, headerWidth, cellWidth)) << c;
}

TEST_F(FormExposure, CliTableOpensUnchangedAndSavesBack) {
    const fs::path cliFile = docs / "cli_table.txt";
    const CliRun run = RunZeltoCli("table --eclipse 51 --lat 25.0000 --lon 103.5000W --height 800 -o \"" +
                                   cliFile.string() + "\"");
    ASSERT_EQ(run.exitCode, 0);
    const std::string written = FileText(cliFile);

    OpenAt(kAnnularSite);  // another eclipse and site until the file says otherwise
    openPath = cliFile.string();
    Find<QAction>("Open_Exposure_Table")->trigger();
    EXPECT_TRUE(boxes.empty());
    const TableFileReading reading = ReadExposureTableText(written);
    EXPECT_EQ(form->table(), reading.table);
    EXPECT_GT(Rows(), 60);
    EXPECT_EQ(main->TableSite(), kTotalSite);
    EXPECT_EQ(Shared().eclipse.SelectedEclipse, 51);
    EXPECT_EQ(Shared().contacts.Place.LocalType, 't');
    EXPECT_TRUE(Text("Label_Exp1").startsWith("Exposure Table for Total Eclipse: Totality at location is "));
    EXPECT_TRUE(Find<QGroupBox>("GroupBox_Totality")->isVisible());
    EXPECT_FALSE(TablesItem()->isEnabled());

    // An edit typed into a cell and not yet left reaches the saved file.
    NGE()->setCurrentIndex(Grid()->index(0, kColumnPhase));
    QTest::keyClick(NGE(), 'F');  // typing opens the cell's editor, which takes the rest
    auto* editor = NGE()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "irst");
    Find<QAction>("Save_Exposure_Table")->trigger();
    ExposureTable edited = reading.table;
    edited.SetCell(kColumnPhase, 0, "First");
    // "Save" writes back to the file the table was opened from, and says so.
    EXPECT_EQ(FileText(cliFile), ExposureTableText(kTotalSite, edited));
    EXPECT_FALSE(fs::exists(form->TableFilePath()));
    EXPECT_EQ(Text("StatusBar1_Text"), "Saved to " + QString::fromStdString(cliFile.string()));

    // Save As: cancel writes nothing; a chosen file is replaced whole.
    saveAsPath.clear();
    Find<QAction>("Save_Exposure_Table_As")->trigger();
    saveAsPath = (docs / "other.txt").string();
    std::ofstream(saveAsPath, std::ios::binary) << "older and longer content";
    Find<QAction>("Save_Exposure_Table_As")->trigger();
    EXPECT_EQ(FileText(saveAsPath), ExposureTableText(kTotalSite, edited));
    saveAsPath = (docs / "missing" / "x.txt").string();
    Find<QAction>("Save_Exposure_Table_As")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("Cannot save"), std::string::npos);

    // Cancelled and failed opens change nothing; a malformed line keeps the rows before it.
    openPath.clear();
    Find<QAction>("Open_Exposure_Table")->trigger();
    openPath = (docs / "absent.txt").string();
    Find<QAction>("Open_Exposure_Table")->trigger();
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(form->table(), edited);
    const size_t secondRowEnd = written.find("\r\n", written.find(",\r\n") + 3);
    std::ofstream(docs / "broken.txt", std::ios::binary)
        << written.substr(0, secondRowEnd + 2) << "WAV,x,\r\n";
    openPath = (docs / "broken.txt").string();
    Find<QAction>("Open_Exposure_Table")->trigger();
    EXPECT_EQ(Rows(), 2);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_NE(boxes[2].find("Line 9"), std::string::npos) << boxes[2];
}

// The grid holds only what the file carries, and a row the run would skip shows in red.
TEST_F(FormExposure, CellsHoldWhatTheFileCarries) {
    OpenAt(kTotalSite);
    Click("Button_Create_ExposureList");
    const ExposureTable created = form->table();
    const auto type = [this](int row, int column, const QString& text) {
        NGE()->setCurrentIndex(Grid()->index(row, column));
        QTest::keyClick(NGE(), Qt::Key_F2);
        auto* editor = NGE()->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->clear();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();  // the grid commits the text
        QCoreApplication::processEvents();  // and a refusal is told after it
    };
    type(0, kColumnISO, "100,");
    EXPECT_EQ(form->table().Row(0)[kColumnISO], "100");
    EXPECT_EQ(form->table(), created);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], kCellCommaMessage);

    type(1, kColumnDateTime, "17:41:16");
    EXPECT_EQ(form->table().Row(1)[kColumnDateTime], "17:41:16");
    EXPECT_EQ(Grid()->data(Grid()->index(1, 5), Qt::ForegroundRole).value<QBrush>().color(), QColor(170, 0, 0));
    EXPECT_EQ(Grid()->data(Grid()->index(2, 5), Qt::ForegroundRole).value<QBrush>().color(),
              QColor(Qt::black));
    saveAsPath = form->TableFilePath();  // a new table is named first
    Find<QAction>("Save_Exposure_Table")->trigger();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1], "Saved. Row 2 has a date-time that cannot be read (shown in red): a run skips it.");
    // Saved whole, and read back whole.
    const TableFileReading reading = LoadExposureTable(form->TableFilePath());
    EXPECT_EQ(reading.table, form->table());
}

// A file is checked whole before anything of it is applied.
TEST_F(FormExposure, OpeningChecksTheWholeFileFirst) {
    OpenAt(kAnnularSite);
    Click("Button_Create_ExposureList");
    const ExposureTable created = form->table();
    std::ofstream(docs / "shopping.txt", std::ios::binary)
        << "shopping\r\neggs\r\nmilk\r\nbread\r\ntea\r\ncheese\r\n";
    openPath = (docs / "shopping.txt").string();
    Find<QAction>("Open_Exposure_Table")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Not an exposure table: line 2 \"eggs\" is no latitude");
    EXPECT_EQ(form->table(), created);
    EXPECT_EQ(main->TableSite(), kAnnularSite);
    EXPECT_EQ(Shared().eclipse.SelectedEclipse, 50);

    // Partly readable: the line is named; a save over that file asks first.
    std::string text = ExposureTableText(kTotalSite, created);
    text.insert(text.find("\r\n", text.find(",\r\n")) + 2, "a note,\r\n");  // line 8
    const std::string path = form->TableFilePath();
    std::ofstream(path, std::ios::binary) << text;
    openPath = path;
    Find<QAction>("Open_Exposure_Table")->trigger();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].rfind("Line 8 is not a table row: it has 1 comma instead of 23.", 0), 0u) << boxes[1];
    EXPECT_EQ(form->table(), created);
    std::vector<std::string> questions;
    bool answer = false;
    form->SetQuestionBox([&](const std::string&, const std::string& question, auto reply) {
        questions.push_back(question);
        reply(answer);
    });
    Find<QAction>("Save_Exposure_Table")->trigger();  // "no": the file stays as it is
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], OverwriteShorterQuestion(path, {8}, created.RowCount()));
    EXPECT_EQ(FileText(path), text);
    saveAsPath = (docs / "elsewhere.txt").string();
    Find<QAction>("Save_Exposure_Table_As")->trigger();  // another file: no question
    EXPECT_EQ(questions.size(), 1u);
    answer = true;
    saveAsPath = path;
    Find<QAction>("Save_Exposure_Table_As")->trigger();
    EXPECT_EQ(FileText(path), ExposureTableText(kTotalSite, created));
    Find<QAction>("Save_Exposure_Table")->trigger();  // the file is whole again: no question
    EXPECT_EQ(questions.size(), 2u);
}

// A run carries out the window's table: opening the window then keeps it.
TEST_F(FormExposure, OpeningDuringARunKeepsTheTable) {
    OpenAt(kTotalSite);
    Click("Button_Create_ExposureList");
    const ExposureTable created = form->table();
    form->close();
    for (const CameraActivity activity : {CameraActivity::Run, CameraActivity::TestRun}) {
        Shared().flags.Activity = activity;
        form->OpenWindow();
        EXPECT_EQ(form->table(), created);
        form->close();
    }
    Shared().flags.Activity = CameraActivity::Series;
    form->OpenWindow();
    EXPECT_EQ(Rows(), 0);
}

TEST_F(FormExposure, CreateFollowsASiteChangedWhileOpen) {
    OpenAt(kTotalSite);
    main->LoadTableSite(kNoEclipseSite);  // the main window recomputes; no contact is visible now
    Click("Button_Create_ExposureList");
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(Find<QPushButton>("Button_Create_ExposureList")->isEnabled());
    EXPECT_EQ(Text("Label_Exp1"), "The Solar Eclipse is not visible at the given location");
    EXPECT_EQ(boxes, std::vector<std::string>{"There is no eclipse at this site."});
}

TEST_F(FormExposure, SettingNamesTheCameraTablesDoNotKnowShowRed) {
    OpenAt(kTotalSite);
    Click("Button_Create_ExposureList");
    const int row = FindPhase("C2: begin of total phase");
    ASSERT_GE(row, 0);
    const auto fill = [this, row](int column) {
        return Grid()->data(Grid()->index(row, column), Qt::BackgroundRole).value<QBrush>().color();
    };
    const QColor green = fill(kColumnQuality);
    Grid()->setData(Grid()->index(row, kColumnQuality), "JPGHuge", Qt::EditRole);
    Grid()->setData(Grid()->index(row, kColumnAperture), "f/8", Qt::EditRole);
    EXPECT_EQ(fill(kColumnQuality), QColor(220, 0, 0));
    EXPECT_TRUE(Grid()
                    ->data(Grid()->index(row, kColumnQuality), Qt::ToolTipRole)
                    .toString()
                    .startsWith("Not a name"));
    EXPECT_EQ(fill(kColumnAperture), green);  // a known name keeps the row's colour
    EXPECT_EQ(fill(kColumnPhase), green);
}

// The table check follows the table: a created table checks clean; a typed cell that makes a finding
// lists it below the grid and marks its row's number; mending the cell takes both away.
TEST_F(FormExposure, TableCheckFindingsFollowEveryEdit) {
    OpenAt(kTotalSite);
    Click("Button_Create_ExposureList");
    auto* list = Find<QListWidget>("ListBox_Findings");
    EXPECT_TRUE(form->findings().empty()) << FindingsText(form->findings());
    EXPECT_FALSE(list->isVisibleTo(form.get()));
    const int row = FindPhase("C2: begin of total phase");
    ASSERT_GE(row, 1);
    const std::string own = form->table().Row(row)[kColumnDateTime];
    Grid()->setData(Grid()->index(row, kColumnDateTime), QString::fromStdString(own.substr(0, 11) + "00:00:00.0"),
                    Qt::EditRole);
    ASSERT_EQ(list->count(), 1);
    EXPECT_TRUE(list->isVisibleTo(form.get()));
    EXPECT_TRUE(list->item(0)->text().startsWith("row " + QString::number(row + 1) + " (00:00:00.0) comes before"))
        << list->item(0)->text().toStdString();
    EXPECT_EQ(Grid()->headerData(row, Qt::Vertical, Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 190, 90));
    EXPECT_EQ(Grid()->headerData(row, Qt::Vertical, Qt::ToolTipRole).toString(), list->item(0)->text());
    Grid()->setData(Grid()->index(row, kColumnDateTime), QString::fromStdString(own), Qt::EditRole);
    EXPECT_EQ(list->count(), 0) << FindingsText(form->findings());
    EXPECT_FALSE(list->isVisibleTo(form.get()));
    EXPECT_FALSE(Grid()->headerData(row, Qt::Vertical, Qt::BackgroundRole).isValid());
}

TEST_F(FormExposure, SaveFollowsTheTableFileAndUnsavedEditsAreAskedFor) {
    OpenAt(kTotalSite);
    const std::string documents = docs.string() + "/";
    EXPECT_EQ(form->DialogStart(false), documents);
    EXPECT_EQ(form->DialogStart(true), documents + "Zelto_Exposure_Table.txt");
    Click("Button_Create_ExposureList");
    EXPECT_FALSE(form->UnsavedEdits());

    // A new table: "Save" asks for a name, then saves there from now on.
    saveAsPath = documents + "mine.txt";
    Find<QAction>("Save_Exposure_Table")->trigger();
    EXPECT_EQ(form->TableFile(), saveAsPath);
    EXPECT_EQ(Text("StatusBar1_Text"), "Saved to " + QString::fromStdString(saveAsPath));
    EXPECT_EQ(form->DialogStart(true), saveAsPath);
    const auto edit = [this](const char* text) {
        Grid()->setData(Grid()->index(0, kColumnPhase), QString(text), Qt::EditRole);
        EXPECT_TRUE(form->UnsavedEdits());
    };
    edit("edited once");
    saveAsPath = documents + "never.txt";
    Find<QAction>("Save_Exposure_Table")->trigger();
    EXPECT_FALSE(fs::exists(saveAsPath));
    EXPECT_NE(FileText(documents + "mine.txt").find("edited once"), std::string::npos);
    EXPECT_TRUE(questions.empty());

    // Creating, opening or closing over unsaved edits asks first; "No" keeps everything.
    edit("edited twice");
    answer = false;
    Click("Button_Create_ExposureList");
    openPath = documents + "mine.txt";
    Find<QAction>("Open_Exposure_Table")->trigger();
    form->close();
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[0], "The exposure table has edits that are not saved. Create a new table anyway?");
    EXPECT_EQ(questions[1], "The exposure table has edits that are not saved. Open another table anyway?");
    EXPECT_EQ(questions[2], "The exposure table has edits that are not saved. Close the window anyway?");
    EXPECT_EQ(openDialogs, 0);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->table().Row(0)[kColumnPhase], "edited twice");
    answer = true;
    Find<QAction>("Open_Exposure_Table")->trigger();
    EXPECT_EQ(form->table().Row(0)[kColumnPhase], "edited once");
    EXPECT_EQ(form->TableFile(), documents + "mine.txt");
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(questions.size(), 4u);  // the freshly opened table closes without a question
}

// At night every colour the grid sets itself is red text on black or a dark red that text still
// reads on, the phases' fills stay apart, and the day's colours come back with the day.
TEST_F(FormExposure, NightColoursFollowNightMode) {
    OpenAt(kTotalSite);
    Click("Button_Create_ExposureList");
    // A finding (a time out of order) and a setting the camera tables do not know, to colour too.
    const int row = FindPhase("C2: begin of total phase");
    ASSERT_GE(row, 1);
    const std::string own = form->table().Row(row)[kColumnDateTime];
    Grid()->setData(Grid()->index(row, kColumnDateTime),
                    QString::fromStdString(own.substr(0, 11) + "00:00:00.0"), Qt::EditRole);
    Grid()->setData(Grid()->index(row - 1, kColumnQuality), "JPGHuge", Qt::EditRole);
    ASSERT_FALSE(form->findings().empty());
    struct DayAgain {
        ~DayAgain() { ApplyNightMode(false); }
    } dayAgain;
    const QColor nightText(kNightText);
    std::map<bool, std::map<int, QRgb>> phaseFills;  // by night or day, the first cell's fill by row
    for (const bool night : {true, false}) {
        SCOPED_TRACE(night);
        ApplyNightMode(night);
        EXPECT_EQ(NGE()->palette().color(QPalette::Base), night ? QColor(Qt::black) : QColor(Qt::white));
        for (int r = 0; r < Rows(); ++r) {
            for (const int column : {0, int{kColumnQuality}, kExposureColumns - 1}) {
                const QVariant fill = Grid()->data(Grid()->index(r, column), Qt::BackgroundRole);
                const QVariant text = Grid()->data(Grid()->index(r, column), Qt::ForegroundRole);
                if (!fill.isValid()) continue;
                const QColor colour = fill.value<QBrush>().color();
                if (column == 0) phaseFills[night][r] = colour.rgb();
                if (!night) continue;
                EXPECT_EQ(text.value<QBrush>().color(), nightText) << r << " " << column;
                EXPECT_EQ(colour.green() + colour.blue(), 0) << r << " " << column;
                EXPECT_GE(ContrastRatio(nightText, colour), 4.5) << r << " " << column;
            }
        }
        const QVariant gutter = Grid()->headerData(row, Qt::Vertical, Qt::BackgroundRole);
        ASSERT_TRUE(gutter.isValid());
        EXPECT_EQ(gutter.value<QBrush>().color() == QColor(255, 190, 90), !night);
        if (night) {
            EXPECT_GE(ContrastRatio(nightText, gutter.value<QBrush>().color()), 4.5);
        }
        // The night headers are black whatever the model says: the finding's number is underlined.
        EXPECT_EQ(Grid()->headerData(row, Qt::Vertical, Qt::FontRole).value<QFont>().underline(), night);
        QHeaderView* gutterView = NGE()->verticalHeader();
        const QImage drawn = gutterView->grab().toImage();
        const QColor ground = drawn.pixelColor(4, gutterView->sectionViewportPosition(0) + 4);
        EXPECT_EQ(ground.lightness() < 64, night) << ground.name().toStdString();
    }
    // The phases' fills stay apart at night: as many night fills as day fills.
    ASSERT_EQ(phaseFills[true].size(), phaseFills[false].size());
    std::map<QRgb, std::set<QRgb>> nightFills;
    for (const auto& [r, day] : phaseFills[false]) nightFills[day].insert(phaseFills[true][r]);
    ASSERT_GT(nightFills.size(), 3u);
    std::set<QRgb> all;
    for (const auto& [day, fills] : nightFills) {
        EXPECT_EQ(fills.size(), 1u);
        all.insert(fills.begin(), fills.end());
    }
    EXPECT_EQ(all.size(), nightFills.size());
}

}  // namespace
}  // namespace zelto
