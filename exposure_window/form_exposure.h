#pragma once

#include <QMainWindow>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exposure/editor.h"
#include "exposure/generator.h"
#include "exposure/table.h"
#include "exposure/table_check.h"
#include "exposure/table_file.h"
#include "state/variables.h"
#include "window_dialogs/window_fit.h"

class QAction;
class QComboBox;
class QFrame;
class QGridLayout;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTableView;

namespace zelto {

class TForm_Main;
class ExposureTableModel;

// The exposure-table window: headings and option groups by the site's eclipse type, the camera
// defaults, "Create Exposure Table", the grid with its row-command panel, the File and Options
// menus and the status line. Every control's objectName is its component name. The grid shows the
// window's ExposureTable, which is the table's only store: the camera window's runs read it too.
// The rules live in exposure/ (editor, generator, table file); the window copies their results.
class TForm_Exposure final : public QMainWindow {
    Q_OBJECT

  public:
    TForm_Exposure(SharedVariables& shared, TForm_Main& main, QWidget* parent = nullptr);
    ~TForm_Exposure() override;

    const ExposureTable& table() const { return table_; }

    // Scales every font by the form size and sizes the window to its layout within `room`; what
    // does not fit is reached by scrolling. The grid's rows and gutter follow the font.
    void SetFormSize(FormSize size, QSize room);
    // The grid's own colours (its white ground, the row, review and finding brushes) for day or
    // night: red on black and dark red at night, the header sections black. Follows ApplyNightMode
    // by itself (the style change it causes); callable after it all the same.
    void ApplyNightColours();

    // Replaceable for tests: message boxes (caption, text), questions answered later (true: yes), and
    // the open and save dialogs, which answer later with the chosen path or an empty text when
    // cancelled.
    using MessageBoxFn = std::function<void(const std::string&, const std::string&)>;
    using QuestionBoxFn = std::function<void(const std::string&, const std::string&, std::function<void(bool)>)>;
    using FileDialogFn = std::function<void(std::function<void(const std::string&)>)>;
    void SetMessageBox(MessageBoxFn show) { messageBox_ = std::move(show); }
    void SetQuestionBox(QuestionBoxFn ask) { questionBox_ = std::move(ask); }
    void SetFileDialogs(FileDialogFn open, FileDialogFn saveAs) {
        openDialog_ = std::move(open);
        saveAsDialog_ = std::move(saveAs);
    }

    // Event handlers, named after what they answer; public so the program and tests reach them.
    // Opening from the main window's "&Exposure Tables": prepares the window and shows it.
    void OpenWindow();
    void OnCreateTable();
    void OnOpenTable();
    void OnSaveTable();
    void OnSaveTableAs();
    void OnMaxExposure4s();
    void OnMaxExposure8s();
    void AutoFitColumns();
    // A double click on the grid; it fits the columns (twice) only on a column border of the header.
    void OnGridDoubleClick(bool onColumnBorder);
    // A click on the gutter at `row` (−1: below the last row).
    void OnRowNumberClick(int row, Qt::MouseButton button);
    void OnInsertBefore();
    void OnInsertAfter();
    void OnDeleteRow();
    void OnEditsDone();
    // "Fit table to current site": moves every row to the main window's site, keeping its offset
    // from the contact it was nearest to at the table's own site; rows that left their phase turn
    // red and are listed. Nothing is saved.
    void OnFitTableToSite();
    // The table check's findings for the table as it stands (findingsList_ lists them, the grid
    // marks their rows); checked after every change.
    const std::vector<TableFinding>& findings() const { return findings_; }
    // The site the table was made for or loaded with (its header), which a fit starts from.
    const TableFileSite& tableSite() const { return tableSite_; }

    std::string TableFilePath() const;  // DocumentsFolder + "Zelto_Exposure_Table.txt"
    // The file the table was last opened from or saved to; empty for a new table ("Save" then asks
    // for a name as "Save As" does).
    const std::string& TableFile() const { return tableFile_; }
    // Where the open dialog (save = false) and the save dialog start: the documents folder, the save
    // dialog with the table's file or "Zelto_Exposure_Table.txt" there.
    std::string DialogStart(bool save) const;
    // The table differs from the one last created, opened or saved.
    bool UnsavedEdits() const { return table_ != keptTable_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The client from top to bottom: headings, option groups with "Create", grid and findings.
    void BuildWidgets();
    QWidget* BuildHeadings();
    QGroupBox* BuildCameraDefaults();
    QGroupBox* BuildPartialPhases();
    // Baily's beads or the broken ring: ± 6, 8 or 10 s, the buttons named `buttonPrefix` 06, 08, 10.
    QGroupBox* BuildSpanGroup(const char* name, const QString& title, const char* buttonPrefix,
                              QRadioButton* (&buttons)[3]);
    QGroupBox* BuildTotality();
    QGroupBox* BuildAnnularity();
    QGridLayout* BuildOptionRow();
    void BuildGrid(QWidget* client);
    void BuildRowEditPanel(QWidget* client);
    void BuildFindingsList();
    void BuildStatusLine();
    void BuildMenus();
    void FitWindow(QSize room);  // FitToRoom, the room kept for the next opening
    void ApplyGridMetrics();     // row height, gutter width and the findings list's height by the font
    void ApplyHeadings(char localType);
    void FillCameraDefaults();
    ExposureOptions ChosenOptions() const;
    void SetMaxExposure(int seconds);
    void WriteTable(const std::string& path);
    void SaveTable(const std::string& path);  // WriteTable once any question about it was answered
    void OpenTable(const std::string& path);
    void CommitCellEdit();
    void RowCommand(std::optional<int> (*command)(ExposureTable&, int));
    void SelectRow(int row);
    void PlaceRowEditPanel();  // over the grid's top left corner, sized by its layout
    void ShowMessage(const std::string& text);
    void Ask(const std::string& question, std::function<void()> yes);
    // Runs `then` when there are no unsaved edits or the user agrees to lose them for `action`.
    void MayDiscardEdits(const std::string& action, std::function<void()> then);
    void CreateTable(const GeneratorInput& input);
    void KeepTable(const std::string& file);  // the table now matches `file` (empty: a new table)
    void RefreshFindings();

    SharedVariables& shared_;
    TForm_Main& main_;
    ExposureTable table_;  // 2048 empty rows: "no table" until the window is first opened
    // The file the table was read from while lines of it were left out: a save over it asks first.
    struct ShorterSource {
        std::string path;
        std::vector<int> leftOutLines;
    };
    std::optional<ShorterSource> shorterSource_;
    ExposureTable keptTable_;  // as last created, opened or saved: edits since then are unsaved
    std::string tableFile_;
    ExposureTableModel* model_ = nullptr;
    char shownType_ = '-';
    TableFileSite tableSite_;
    MessageBoxFn messageBox_;
    QuestionBoxFn questionBox_;
    FileDialogFn openDialog_;
    FileDialogFn saveAsDialog_;
    bool closeConfirmed_ = false;  // the user agreed to lose the edits: the next close goes through
    std::vector<TableFinding> findings_;
    double fontScale_ = 1.0;
    QSize room_;  // the room the window was last fitted to; each opening fits it again

    // Controls, by their component names; tests find them by object name.
    QLabel* headingLabel_ = nullptr;
    QLabel* hintLabel_ = nullptr;
    QGroupBox* cameraDefaultsBox_ = nullptr;
    QComboBox* qualityDefaultList_ = nullptr;
    QComboBox* aeModeDefaultList_ = nullptr;
    QComboBox* isoDefaultList_ = nullptr;
    QComboBox* apertureDefaultList_ = nullptr;
    QGroupBox* partialPhasesBox_ = nullptr;
    QRadioButton* partialIntervalButtons_[9] = {};  // RadioButton1 … RadioButton9
    QGroupBox* bailysBeadsBox_ = nullptr;
    QRadioButton* beadsSpanButtons_[3] = {};  // ± 6, 8 and 10 s
    QGroupBox* brokenRingBox_ = nullptr;
    QRadioButton* ringSpanButtons_[3] = {};  // ± 6, 8 and 10 s
    QGroupBox* totalityBox_ = nullptr;
    QRadioButton* totalityLoopButton_ = nullptr;
    QLabel* totalityLoopText_ = nullptr;       // the button's text, beside it
    QLabel* totalityLoopOftenText_ = nullptr;  // "as often as possible", below it
    QGroupBox* annularityBox_ = nullptr;
    QRadioButton* annularIntervalButtons_[6] = {};  // RadioButton_05sec … RadioButton_30sec
    QPushButton* createButton_ = nullptr;
    QTableView* grid_ = nullptr;
    QFrame* rowEditPanel_ = nullptr;
    QLabel* statusText_ = nullptr;
    QListWidget* findingsList_ = nullptr;
    QAction* openItem_ = nullptr;
    QAction* saveItem_ = nullptr;
    QAction* saveAsItem_ = nullptr;
    QAction* fitItem_ = nullptr;
    QAction* closeItem_ = nullptr;
    QAction* maxExposure4sItem_ = nullptr;
    QAction* maxExposure8sItem_ = nullptr;
};

}  // namespace zelto
