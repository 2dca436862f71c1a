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

class QAction;
class QComboBox;
class QFrame;
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
// defaults, "Create Exposure Table", the grid NGE with its row-command panel, the File and Options
// menus and the status line. Every control's objectName is its component name. The grid shows the
// window's ExposureTable, which is the table's only store: the camera window's runs read it too.
// The rules live in exposure/ (editor, generator, table file); the window copies their results.
class TForm_Exposure final : public QMainWindow {
    Q_OBJECT

  public:
    TForm_Exposure(SharedVariables& shared, TForm_Main& main, QWidget* parent = nullptr);
    ~TForm_Exposure() override;

    const ExposureTable& table() const { return table_; }

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

    // Event handlers, named after their control and event; public so the program and tests reach them.
    // Opening from the main window's "&Exposure Tables": prepares the window and shows it.
    void FormShow();
    void Button_Create_ExposureListClick();
    void Open_Exposure_TableClick();
    void Save_Exposure_TableClick();
    void Save_Exposure_Table_AsClick();
    void Max_Exposure_4sClick();
    void Max_Exposure_8sClick();
    void AutoFitColumns();
    // A double click on the grid; it fits the columns (twice) only on a column border of the header.
    void NGEDblClick(bool onColumnBorder);
    // A click on the gutter at `row` (−1: below the last row).
    void NGEGutterClick(int row, Qt::MouseButton button);
    void Button_Insert_BeforeClick();
    void Button_Insert_AfterClick();
    void Button_Delete_LineClick();
    void Button_DoneClick();
    // "Fit table to current site": moves every row to the main window's site, keeping its offset
    // from the contact it was nearest to at the table's own site; rows that left their phase turn
    // red and are listed. Nothing is saved.
    void Fit_Table_To_SiteClick();
    // The table check's findings for the table as it stands (ListBox_Findings lists them, the grid
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
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildWidgets();
    void BuildMenus();
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
    void LayoutGrid();
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
    bool closeConfirmed_ = false;
    std::vector<TableFinding> findings_;  // the user agreed to lose the edits: the next close goes through

    // Controls, by their component names; tests find them by object name.
    QLabel* Label_Exp1 = nullptr;
    QLabel* Label_Exp2 = nullptr;
    QGroupBox* GroupBox_Camera_Defaults = nullptr;
    QComboBox* ComboBox_IQdef = nullptr;
    QComboBox* ComboBox_AEdef = nullptr;
    QComboBox* ComboBox_ISOdef = nullptr;
    QComboBox* ComboBox_AVdef = nullptr;
    QGroupBox* GroupBox_PartialPhases = nullptr;
    QRadioButton* PartialInterval[9] = {};  // RadioButton1 … RadioButton9
    QGroupBox* GroupBox_BailysBeads = nullptr;
    QRadioButton* RadioButton_BBeads_06 = nullptr;
    QRadioButton* RadioButton_BBeads_08 = nullptr;
    QRadioButton* RadioButton_BBeads_10 = nullptr;
    QGroupBox* GroupBox_BrokenRing = nullptr;
    QRadioButton* RadioButton_BRing_06 = nullptr;
    QRadioButton* RadioButton_BRing_08 = nullptr;
    QRadioButton* RadioButton_BRing_10 = nullptr;
    QGroupBox* GroupBox_Totality = nullptr;
    QRadioButton* RadioButton_Loopnx = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QGroupBox* GroupBox_Annularity = nullptr;
    QRadioButton* AnnularInterval[6] = {};  // RadioButton_05sec … RadioButton_30sec
    QPushButton* Button_Create_ExposureList = nullptr;
    QTableView* NGE = nullptr;
    QFrame* Panel_NGE_Insert_Delete = nullptr;
    QLabel* StatusBar1_Text = nullptr;
    QListWidget* ListBox_Findings = nullptr;
    QAction* Open_Exposure_Table = nullptr;
    QAction* Save_Exposure_Table = nullptr;
    QAction* Save_Exposure_Table_As = nullptr;
    QAction* Fit_Table_To_Site = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Max_Exposure_4s = nullptr;
    QAction* Max_Exposure_8s = nullptr;
};

}  // namespace zelto
