#include "exposure_window/form_exposure.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelection>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <algorithm>
#include <array>
#include <map>
#include <utility>

#include "camera/camera_log.h"
#include "camera/backend.h"
#include "camera/proptables.h"
#include "camera/row_files.h"
#include "camera/run_flags.h"
#include "eclipse_data/file_text.h"
#include "exposure/fit_table.h"
#include "exposure/table_file.h"
#include "main_window/form_main.h"
#include "circumstances/contact_display.h"
#include "platform/qt_text.h"
#include "window_dialogs/dialogs.h"

namespace zelto {

namespace {

constexpr int kWidth = 1020;
constexpr int kHeight = 750;
constexpr int kGroupTop = 57;
constexpr int kGroupHeight = 148;
constexpr int kGridTop = 240;  // the grid fills the client area below, 466 pixels at the window's size
constexpr int kGutterWidth = 35;
constexpr int kRowHeight = 20;
constexpr const char* kTableFileName = "Zelto_Exposure_Table.txt";

// A quality, ISO or aperture the camera tables do not know: white on red, whatever the row's colour.
QBrush UnknownSettingColour(int role) { return role == Qt::ForegroundRole ? QBrush(Qt::white) : QBrush(QColor(220, 0, 0)); }
const QColor kFindingColour(255, 190, 90);
constexpr int kFindingsHeight = 90;
const char* const kUnknownSettingHint = "Not a name the camera tables know: a run counts this setting as failed";

// Table cells are 8-bit text: Latin-1 maps every byte to one character and back unchanged.
QString Cell(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }
std::string CellBytes(const QString& text) { return ToUtf8(text.toLatin1()); }

}  // namespace

// The grid's view of the window's table: texts, per-column alignment, the two-line titles, the
// numbered gutter and the row colours (the drawing hook NGEDrawCell).
class ExposureTableModel final : public QAbstractTableModel {
  public:
    ExposureTableModel(ExposureTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table) {
        for (int c = 0; c < kExposureColumns; ++c) SetAlignment(c, c < 20 ? Qt::AlignHCenter : Qt::AlignLeft);
    }

    // Rows a fit asks the user to check: drawn red while their cells stay as the fit left them.
    void SetReviewRows(std::vector<ExposureRow> rows) {
        beginResetModel();
        review_ = std::move(rows);
        endResetModel();
    }

    // Rows the table check found something in: their gutter numbers orange, the findings as tooltip.
    void SetFindings(const std::vector<TableFinding>& findings) {
        findings_.clear();
        for (const TableFinding& finding : findings) {
            QString& text = findings_[finding.row];
            text += (text.isEmpty() ? "" : "\n") + ToQString(finding.text);
        }
        if (rowCount() > 0) emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }

    // Any change of the rows goes through here, so that the view drops what it knew of them.
    template <typename Fn>
    void Change(Fn&& change) {
        beginResetModel();
        std::forward<Fn>(change)();
        endResetModel();
    }

    void SetAlignment(int column, Qt::Alignment horizontal) {
        alignment_[static_cast<size_t>(column)] = horizontal | Qt::AlignVCenter;
        if (rowCount() > 0) emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::TextAlignmentRole});
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : table_.RowCount(); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kExposureColumns; }

    QVariant data(const QModelIndex& index, int role) const override {
        const std::optional<std::string> text = table_.Cell(index.column(), index.row());
        if (!text) return {};
        switch (role) {
            case Qt::DisplayRole:
            case Qt::EditRole:
                return Cell(*text);
            case Qt::TextAlignmentRole:
                return QVariant::fromValue(alignment_[static_cast<size_t>(index.column())]);
            case Qt::BackgroundRole:
            case Qt::ForegroundRole:
                if (UnknownSettingCell(index.column(), *text)) return UnknownSettingColour(role);
                return NGEDrawCell(index.row(), role);
            case Qt::ToolTipRole:
                if (UnknownSettingCell(index.column(), *text)) return kUnknownSettingHint;
                return {};
            default:
                return {};
        }
    }

    // Called with a message when a typed text was refused.
    void SetRefusalHandler(std::function<void(const std::string&)> refused) { refused_ = std::move(refused); }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::EditRole) return false;
        const std::string text = CellBytes(value.toString());
        if (!CellFitsFile(text)) {
            if (refused_) refused_(kCellCommaMessage);
            return false;  // the cell keeps its text
        }
        if (!table_.SetCell(index.column(), index.row(), text)) return false;
        // The phase decides the colour of the whole row.
        emit dataChanged(this->index(index.row(), 0), this->index(index.row(), kExposureColumns - 1));
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) return Qt::NoItemFlags;
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Vertical) {
            // Rows are counted from 1 in the gutter, as the run's messages count them.
            if (role == Qt::DisplayRole) return section + 1;
            if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
            // A row the table check found something in: its number on orange, the findings as tooltip.
            if (const auto found = findings_.find(section); found != findings_.end()) {
                if (role == Qt::BackgroundRole) return QBrush(kFindingColour);
                if (role == Qt::ToolTipRole) return found->second;
            }
            return {};
        }
        if (section < 0 || section >= kExposureColumns) return {};
        if (role == Qt::DisplayRole) {
            QString title = Cell(kExposureColumnTitles[static_cast<size_t>(section)]);
            const qsizetype split = title.indexOf(';');
            if (split >= 0) title[split] = '\n';  // upper and lower header line
            return title;
        }
        if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        return {};
    }

  private:
    QVariant NGEDrawCell(int row, int role) const {
        if (std::find(review_.begin(), review_.end(), table_.Row(row)) != review_.end())
            return role == Qt::ForegroundRole ? QBrush(Qt::black) : QBrush(QColor(255, 110, 110));
        const RowColours colours = RowColoursFor(table_.Row(row));
        const std::optional<Rgb>& colour = role == Qt::ForegroundRole ? colours.text : colours.fill;
        if (!colour) return {};
        return QBrush(QColor(colour->r, colour->g, colour->b));
    }

    ExposureTable& table_;
    std::function<void(const std::string&)> refused_;
    std::array<Qt::Alignment, kExposureColumns> alignment_{};
    std::vector<ExposureRow> review_;
    std::map<int, QString> findings_;
};

// The grid widget: a table view that says whether a cell is being typed into.
class ExposureGrid final : public QTableView {
  public:
    using QTableView::QTableView;
    bool Editing() const { return state() == QAbstractItemView::EditingState; }
};

TForm_Exposure::TForm_Exposure(SharedVariables& shared, TForm_Main& main, QWidget* parent)
    : QMainWindow(parent), shared_(shared), main_(main) {
    setObjectName("Form_Exposure");
    setWindowTitle("Zelto - Exposure table");
    messageBox_ = [this](const std::string& caption, const std::string& text) { ShowMessageBox(this, caption, text); };
    openDialog_ = [this](std::function<void(const std::string&)> chosen) {
        ChooseFileToOpen(this, "Open Exposure Table", DialogStart(false), std::move(chosen));
    };
    saveAsDialog_ = [this](std::function<void(const std::string&)> chosen) {
        ChooseFileToSave(this, "Save Exposure Table As", DialogStart(true), std::move(chosen));
    };
    questionBox_ = [this](const std::string& caption, const std::string& text, std::function<void(bool)> answer) {
        AskQuestion(this, caption, text, {"Yes", "No"}, 1, [answer = std::move(answer)](int chosen) { answer(chosen == 0); });
    };
    BuildWidgets();
    BuildMenus();
    resize(kWidth, kHeight);
    AutoFitColumns();
}

TForm_Exposure::~TForm_Exposure() = default;

void TForm_Exposure::BuildWidgets() {
    auto* client = new QWidget(this);
    client->setObjectName("Form_Exposure_Client");
    setCentralWidget(client);
    client->installEventFilter(this);  // the headings and the grid follow the window's size

    const auto label = [](QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
        auto* l = new QLabel(text, parent);
        l->setObjectName(name);
        l->setGeometry(geometry);
        return l;
    };
    const auto group = [&](const char* name, const QString& title, int x, int width) {
        auto* g = new QGroupBox(title, client);
        g->setObjectName(name);
        g->setGeometry(x, kGroupTop, width, kGroupHeight);
        return g;
    };
    const auto radio = [](QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
        auto* r = new QRadioButton(text, parent);
        r->setObjectName(name);
        r->setGeometry(geometry);
        return r;
    };

    headingLabel_ = label(client, "Label_Exp1", "", QRect(0, 2, kWidth, 28));
    QFont large = headingLabel_->font();
    large.setPointSize(14);
    large.setBold(true);
    headingLabel_->setFont(large);
    headingLabel_->setAlignment(Qt::AlignCenter);
    hintLabel_ = label(client, "Label_Exp2", "", QRect(0, 30, kWidth, 22));
    hintLabel_->setAlignment(Qt::AlignCenter);

    cameraDefaultsBox_ = group("GroupBox_Camera_Defaults", "Camera Defaults:", 1, 250);
    const auto list = [&](const char* name, const char* labelName, const char* caption, int row) {
        const int y = 22 + row * 30;
        label(cameraDefaultsBox_, labelName, caption, QRect(8, y, 80, 24));
        auto* box = new QComboBox(cameraDefaultsBox_);
        box->setObjectName(name);
        box->setGeometry(90, y, 150, 24);
        return box;
    };
    qualityDefaultList_ = list("ComboBox_IQdef", "Label_IQdef", "ImgQual.", 0);
    aeModeDefaultList_ = list("ComboBox_AEdef", "Label_AEdef", "AE mode", 1);
    isoDefaultList_ = list("ComboBox_ISOdef", "Label_ISOdef", "ISO speed", 2);
    apertureDefaultList_ = list("ComboBox_AVdef", "Label_AVdef", "f/Number", 3);
    aeModeDefaultList_->setEnabled(false);

    partialPhasesBox_ = group("GroupBox_PartialPhases", "Part.phases:Take pic every..", 254, 226);
    for (int i = 0; i < 9; ++i) {
        const std::string name = "RadioButton" + std::to_string(i + 1);
        partialIntervalButtons_[i] = radio(partialPhasesBox_, name.c_str(), QString("%1 min").arg(i + 1),
                                   QRect(10 + (i % 3) * 72, 28 + (i / 3) * 36, 68, 24));
    }
    partialIntervalButtons_[4]->setChecked(true);

    const char* const spans[] = {"pictures from  - 6 s to  + 6 s", "pictures from  - 8 s to  + 8 s",
                                 "pictures from -10 s to +10 s"};
    bailysBeadsBox_ = group("GroupBox_BailysBeads", "Near C2,C3: Baily's beads: Take..", 483, 240);
    beads6Button_ = radio(bailysBeadsBox_, "RadioButton_BBeads_06", spans[0], QRect(10, 28, 225, 24));
    beads8Button_ = radio(bailysBeadsBox_, "RadioButton_BBeads_08", spans[1], QRect(10, 64, 225, 24));
    beads10Button_ = radio(bailysBeadsBox_, "RadioButton_BBeads_10", spans[2], QRect(10, 100, 225, 24));
    beads8Button_->setChecked(true);
    brokenRingBox_ = group("GroupBox_BrokenRing", "Near C2,C3:Broken ring: Take ...", 483, 240);
    ring6Button_ = radio(brokenRingBox_, "RadioButton_BRing_06", spans[0], QRect(10, 28, 225, 24));
    ring8Button_ = radio(brokenRingBox_, "RadioButton_BRing_08", spans[1], QRect(10, 64, 225, 24));
    ring10Button_ = radio(brokenRingBox_, "RadioButton_BRing_10", spans[2], QRect(10, 100, 225, 24));
    ring8Button_->setChecked(true);

    totalityBox_ = group("GroupBox_Totality", "During totality:", 725, 290);
    // Only the button shows: the labels beside it carry the texts.
    totalityLoopButton_ = radio(totalityBox_, "RadioButton_Loopnx", "", QRect(10, 28, 20, 24));
    totalityLoopButton_->setChecked(true);
    totalityLoopLine1_ = label(totalityBox_, "Label5", "", QRect(34, 28, 250, 24));
    totalityLoopLine2_ = label(totalityBox_, "Label6", "as often as possible", QRect(34, 52, 250, 24));
    annularityBox_ = group("GroupBox_Annularity", "During annularity:Take pic every...", 725, 290);
    const char* const annular[] = {" 5 s", "10 s", "15 s", "20 s", "25 s", "30 s"};
    const char* const annularNames[] = {"RadioButton_05sec", "RadioButton_10sec", "RadioButton_15sec",
                                        "RadioButton_20sec", "RadioButton_25sec", "RadioButton_30sec"};
    for (int i = 0; i < 6; ++i) {
        annularIntervalButtons_[i] = radio(annularityBox_, annularNames[i], annular[i],
                                   QRect(10 + (i % 2) * 100, 28 + (i / 2) * 36, 90, 24));
    }
    annularIntervalButtons_[1]->setChecked(true);

    createButton_ = new QPushButton("Create Exposure Table", client);
    createButton_->setObjectName("Button_Create_ExposureList");
    createButton_->setGeometry(254, kGroupTop + kGroupHeight + 6, 226, 26);
    connect(createButton_, &QPushButton::clicked, this,
            &TForm_Exposure::OnCreateTable);

    model_ = new ExposureTableModel(table_, this);
    // Told once the grid's editor has closed: a message box inside its commit would commit it again.
    model_->SetRefusalHandler([this](const std::string& text) {
        QMetaObject::invokeMethod(
            this, [this, text] { ShowMessage(text); }, Qt::QueuedConnection);
    });
    grid_ = new ExposureGrid(client);
    grid_->setObjectName("NGE");
    grid_->setModel(model_);
    grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid_->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::DoubleClicked);
    grid_->setAlternatingRowColors(true);
    QPalette palette = grid_->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, Qt::white);
    grid_->setPalette(palette);
    QHeaderView* gutter = grid_->verticalHeader();
    gutter->setObjectName("NGE_Gutter");
    gutter->setFixedWidth(kGutterWidth);
    gutter->setSectionResizeMode(QHeaderView::Fixed);
    gutter->setMinimumSectionSize(1);
    gutter->setDefaultSectionSize(kRowHeight);
    gutter->viewport()->installEventFilter(this);
    QHeaderView* header = grid_->horizontalHeader();
    header->setObjectName("NGE_Header");
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(1);  // a fitted column may be narrower than the style's minimum
    // A double click on a column border fits every column, not only the one to its left.
    QObject::disconnect(header, SIGNAL(sectionHandleDoubleClicked(int)), grid_, nullptr);
    connect(header, &QHeaderView::sectionHandleDoubleClicked, this, [this](int) { OnGridDoubleClick(true); });
    connect(header, &QHeaderView::sectionDoubleClicked, this, [this](int) { OnGridDoubleClick(false); });

    rowEditPanel_ = new QFrame(client);
    rowEditPanel_->setObjectName("Panel_NGE_Insert_Delete");
    rowEditPanel_->setFrameShape(QFrame::Panel);
    rowEditPanel_->setFrameShadow(QFrame::Raised);
    rowEditPanel_->setAutoFillBackground(true);
    rowEditPanel_->resize(120, 136);
    const auto command = [this](const char* name, const QString& caption, int y, void (TForm_Exposure::*handler)()) {
        auto* button = new QPushButton(caption, rowEditPanel_);
        button->setObjectName(name);
        button->setGeometry(8, y, 104, 26);
        connect(button, &QPushButton::clicked, this, handler);
    };
    command("Button_Insert_Before", "Insert before", 8, &TForm_Exposure::OnInsertBefore);
    command("Button_Insert_After", "Insert after", 40, &TForm_Exposure::OnInsertAfter);
    command("Button_Delete_Line", "Delete line", 72, &TForm_Exposure::OnDeleteRow);
    command("Button_Done", "&Done", 104, &TForm_Exposure::OnEditsDone);
    rowEditPanel_->hide();

    findingsList_ = new QListWidget(client);
    findingsList_->setObjectName("ListBox_Findings");
    findingsList_->setToolTip("What a run of this table would do wrong (the table check); a click selects the row");
    findingsList_->hide();
    connect(findingsList_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        SelectRow(item->data(Qt::UserRole).toInt());
    });
    // The check follows every change of the table: typed cells, row commands, Create, Open and Fit.
    connect(model_, &QAbstractItemModel::modelReset, this, &TForm_Exposure::RefreshFindings);
    connect(model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                if (roles.isEmpty() || roles.contains(Qt::EditRole) || roles.contains(Qt::DisplayRole))
                    RefreshFindings();
            });

    statusBar()->setObjectName("StatusBar1");
    statusBar()->setSizeGripEnabled(false);
    statusText_ = new QLabel;
    statusText_->setObjectName("StatusBar1_Text");
    statusBar()->addWidget(statusText_, 1);

    LayoutGrid();
}

void TForm_Exposure::BuildMenus() {
    const auto action = [this](QMenu* menu, const char* name, const QString& caption) {
        auto* a = new QAction(caption, this);
        a->setObjectName(name);
        menu->addAction(a);
        return a;
    };
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    QMenu* file = bar->addMenu("&File          ");
    file->setObjectName("File1");
    openItem_ = action(file, "Open_Exposure_Table", "&Open Exposure Table");
    file->addSeparator();
    saveItem_ = action(file, "Save_Exposure_Table", "&Save Exposure Table");
    saveAsItem_ = action(file, "Save_Exposure_Table_As", "Save Exposure Table &As ...");
    fitItem_ = action(file, "Fit_Table_To_Site", "Fit table to current site");
    connect(fitItem_, &QAction::triggered, this, &TForm_Exposure::OnFitTableToSite);
    file->addSeparator();
    closeItem_ = action(file, "Exit1", "E&xit");
    connect(openItem_, &QAction::triggered, this, &TForm_Exposure::OnOpenTable);
    connect(saveItem_, &QAction::triggered, this, &TForm_Exposure::OnSaveTable);
    connect(saveAsItem_, &QAction::triggered, this, &TForm_Exposure::OnSaveTableAs);
    connect(closeItem_, &QAction::triggered, this, &QWidget::close);

    QMenu* options = bar->addMenu("&Options");
    options->setObjectName("Options1");
    maxExposure4sItem_ = action(options, "Max_Exposure_4s", "Max Exposure = &4 s");
    maxExposure8sItem_ = action(options, "Max_Exposure_8s", "Max Exposure = &8 s");
    for (QAction* item : {maxExposure4sItem_, maxExposure8sItem_}) item->setCheckable(true);
    // Choosing the ticked item again keeps its tick.
    auto* exclusive = new QActionGroup(this);
    exclusive->addAction(maxExposure4sItem_);
    exclusive->addAction(maxExposure8sItem_);
    SetMaxExposure(4);
    connect(maxExposure4sItem_, &QAction::triggered, this, &TForm_Exposure::OnMaxExposure4s);
    connect(maxExposure8sItem_, &QAction::triggered, this, &TForm_Exposure::OnMaxExposure8s);
}

std::string TForm_Exposure::TableFilePath() const { return shared_.folders.DocumentsFolder + kTableFileName; }

void TForm_Exposure::ShowMessage(const std::string& text) {
    if (messageBox_) messageBox_("Zelto", text);
}

void TForm_Exposure::Ask(const std::string& question, std::function<void()> yes) {
    if (!questionBox_) return;
    questionBox_("Zelto", question, [yes = std::move(yes)](bool agreed) {
        if (agreed) yes();
    });
}

void TForm_Exposure::MayDiscardEdits(const std::string& action, std::function<void()> then) {
    CommitCellEdit();
    if (!UnsavedEdits()) return then();
    Ask("The exposure table has edits that are not saved. " + action + " anyway?", std::move(then));
}

void TForm_Exposure::KeepTable(const std::string& file) {
    keptTable_ = table_;
    tableFile_ = file;
}

std::string TForm_Exposure::DialogStart(bool save) const {
    if (!save) return shared_.folders.DocumentsFolder;
    return tableFile_.empty() ? TableFilePath() : tableFile_;
}

// --- opening -------------------------------------------------------------------------------------

void TForm_Exposure::OpenWindow() {
    if (QAction* item = main_.exposureTablesItem()) item->setEnabled(false);
    // A run carries out this table: opening the window then keeps it as it is.
    const CameraActivity activity = shared_.flags.Activity;
    if (activity != CameraActivity::Run && activity != CameraActivity::TestRun) {
        model_->Change([this] { table_.Clear(); });
        KeepTable("");
        shorterSource_.reset();
    }
    createButton_->setEnabled(true);
    const char type = shared_.contacts.Place.LocalType;
    statusText_->setText(ToQString(KindHere(type)));
    // A site that allows no table says so at once; "Create" stays to say it again.
    const int code = VisibilityCode(shared_.contacts.ContactJD);
    if (!GeneratorAllowed(code)) {
        statusText_->setText(statusText_->text() + "  " + ToQString(NoTableReason(type, code)));
    }
    ApplyHeadings(type);
    FillCameraDefaults();
    resize(kWidth, kHeight);
    show();
    raise();
    activateWindow();
    setFocus();
}

void TForm_Exposure::ApplyHeadings(char localType) {
    shownType_ = localType;
    const EditorHeadings headings = EditorHeadingsFor(localType);
    headingLabel_->setText(ToQString(headings.Line1));
    hintLabel_->setText(ToQString(headings.Line2));
    partialPhasesBox_->setVisible(headings.PartialPhases);
    bailysBeadsBox_->setVisible(headings.BailysBeads);
    totalityBox_->setVisible(headings.Totality);
    brokenRingBox_->setVisible(headings.BrokenRing);
    annularityBox_->setVisible(headings.Annularity);
}

void TForm_Exposure::FillCameraDefaults() {
    const CameraDefaultLists lists = CameraDefaultListsFor(shared_.camera, shared_.folders);
    const auto fill = [](QComboBox* box, const std::vector<std::string>& names) {
        box->clear();
        for (const std::string& name : names) box->addItem(Cell(name));
        box->setCurrentIndex(names.empty() ? -1 : 0);
    };
    fill(qualityDefaultList_, lists.ImageQuality);
    fill(isoDefaultList_, lists.ISO);
    fill(apertureDefaultList_, lists.Aperture);
}

// --- creating --------------------------------------------------------------------------------------

ExposureOptions TForm_Exposure::ChosenOptions() const {
    ExposureOptions options;
    options.PartialInterval = kPartialIntervalWhenNone;
    for (int i = 0; i < 9; ++i) {
        if (partialIntervalButtons_[i]->isChecked()) options.PartialInterval = i + 1;
    }
    options.BeadsSpan = beads6Button_->isChecked()   ? 6
                        : beads8Button_->isChecked() ? 8
                        : beads10Button_->isChecked() ? 10
                                                             : kBeadsSpanWhenNone;
    options.BrokenRingSpan = ring6Button_->isChecked()   ? 6
                             : ring8Button_->isChecked() ? 8
                             : ring10Button_->isChecked() ? 10
                                                                 : kBrokenRingSpanWhenNone;
    options.AnnularInterval = kAnnularIntervalWhenNone;
    for (int i = 0; i < 6; ++i) {
        if (annularIntervalButtons_[i]->isChecked()) options.AnnularInterval = 5 * (i + 1);
    }
    options.MaxExposure = maxExposure8sItem_->isChecked() ? 8 : 4;
    return options;
}

void TForm_Exposure::OnCreateTable() {
    // The main window keeps computing while this window is open: the gate and the layout follow the
    // contacts the table is built from, not those of the opening, so a site changed meanwhile can
    // never feed a layout with contacts it lacks.
    const GeneratorInput input = GeneratorInputForSite(
        shared_.contacts, shared_.eclipse, ChosenOptions(),
        {CellBytes(qualityDefaultList_->currentText()), CellBytes(isoDefaultList_->currentText()),
         CellBytes(apertureDefaultList_->currentText())});
    if (input.Place.LocalType != shownType_) ApplyHeadings(input.Place.LocalType);

    if (!GeneratorAllowed(input.VisibilityCode)) {
        const std::string reason = NoTableReason(input.Place.LocalType, input.VisibilityCode);
        statusText_->setText(ToQString(KindHere(input.Place.LocalType) + "  " + reason));
        ShowMessage(reason);
        return;
    }
    MayDiscardEdits("Create a new table", [this, input] { CreateTable(input); });
}

void TForm_Exposure::CreateTable(const GeneratorInput& input) {
    GeneratorResult result;
    model_->Change([&] { result = CreateExposureTable(input, table_); });
    if (result.Created) shorterSource_.reset();
    KeepTable("");
    tableSite_ = main_.TableSite();
    model_->SetReviewRows({});
    statusText_->setText(ToQString(result.StatusText));
    if (result.Heading) headingLabel_->setText(ToQString(*result.Heading));
    for (int c = 0; c < kExposureColumns; ++c) model_->SetAlignment(c, c == kColumnPhase ? Qt::AlignLeft : Qt::AlignHCenter);
    AutoFitColumns();
}

void TForm_Exposure::OnMaxExposure4s() { SetMaxExposure(4); }
void TForm_Exposure::OnMaxExposure8s() { SetMaxExposure(8); }

void TForm_Exposure::SetMaxExposure(int seconds) {
    maxExposure4sItem_->setChecked(seconds == 4);
    maxExposure8sItem_->setChecked(seconds == 8);
    const QString last = seconds == 8 ? "8 s" : "4 s";
    totalityLoopLine1_->setText("loop from 1/1000 to " + last);
    totalityLoopButton_->setText("loop nx from 1/1000 to " + last);
}

// --- files -----------------------------------------------------------------------------------------

void TForm_Exposure::OnOpenTable() {
    MayDiscardEdits("Open another table", [this] {
        if (!openDialog_) return;
        openDialog_([this](const std::string& path) {
            if (!path.empty()) OpenTable(path);
        });
    });
}

void TForm_Exposure::OpenTable(const std::string& path) {
    CommitCellEdit();
    TableFileReading reading = LoadExposureTable(path);
    if (!reading.opened) {
        ShowMessage(reading.message);  // the table, site and eclipse stay as they were
        return;
    }
    main_.LoadTableSite(reading.site);
    OpenWindow();
    QCoreApplication::processEvents();
    main_.update();

    const char type = shared_.contacts.Place.LocalType;
    const auto& contact = shared_.contacts.ContactJD;
    // The duration heading needs both contacts; one below the horizon leaves the type's heading.
    if ((type == 't' || type == 'a') && contact[kC2] != 0 && contact[kC3] != 0)
        headingLabel_->setText(ToQString(TableHeaderText(type, contact[kC2], contact[kC3])));

    model_->Change([&] { table_ = std::move(reading.table); });
    KeepTable(path);
    tableSite_ = reading.site;
    model_->SetReviewRows({});
    model_->SetAlignment(kColumnPhase, Qt::AlignLeft);
    shorterSource_.reset();
    if (!reading.leftOutLines.empty()) {
        // The rows that read stay; saving over this file asks first.
        shorterSource_ = ShorterSource{path, reading.leftOutLines};
        ShowMessage(reading.message);
    }
    // A loaded table is always fitted, as a double click on a column border would.
    OnGridDoubleClick(true);
}

// Save writes to the file the table came from or went to last; a new table is named first.
void TForm_Exposure::OnSaveTable() {
    if (tableFile_.empty()) {
        OnSaveTableAs();
        return;
    }
    WriteTable(tableFile_);
}

void TForm_Exposure::OnSaveTableAs() {
    if (!saveAsDialog_) return;
    saveAsDialog_([this](const std::string& path) {
        if (!path.empty()) WriteTable(path);
    });
}

void TForm_Exposure::WriteTable(const std::string& path) {
    CommitCellEdit();
    if (shorterSource_ && SameFile(path, shorterSource_->path)) {
        Ask(OverwriteShorterQuestion(path, shorterSource_->leftOutLines, table_.RowCount()),
            [this, path] { SaveTable(path); });
        return;
    }
    SaveTable(path);
}

void TForm_Exposure::SaveTable(const std::string& path) {
    const bool overShorterSource = shorterSource_ && SameFile(path, shorterSource_->path);
    const TableFileSaving saving = SaveExposureTable(path, main_.TableSite(), table_);
    if (!saving.saved) {
        ShowMessage(saving.message);
        return;
    }
    if (overShorterSource) shorterSource_.reset();
    KeepTable(path);
    statusText_->setText("Saved to " + ToQString(path));
    if (const std::string note = UnreadableRowsNote(RowsWithUnreadableDateTime(table_)); !note.empty())
        ShowMessage(note);
}

// A cell still being typed into belongs to the table before it is saved or replaced: moving the
// current cell away and back hands the editor's text to the table.
void TForm_Exposure::CommitCellEdit() {
    if (!static_cast<ExposureGrid*>(grid_)->Editing()) return;
    const QModelIndex current = grid_->currentIndex();
    grid_->setCurrentIndex(QModelIndex());
    grid_->setCurrentIndex(current);
}

// --- the grid --------------------------------------------------------------------------------------

void TForm_Exposure::AutoFitColumns() {
    const QFontMetrics header(grid_->horizontalHeader()->font());
    const QFontMetrics cell(grid_->font());
    const auto headerWidth = [&header](std::string_view text) { return header.horizontalAdvance(Cell(text)); };
    const auto cellWidth = [&cell](std::string_view text) { return cell.horizontalAdvance(Cell(text)); };
    for (int c = 0; c < kExposureColumns; ++c) grid_->setColumnWidth(c, FittedColumnWidth(table_, c, headerWidth, cellWidth));
    QCoreApplication::processEvents();
}

void TForm_Exposure::OnGridDoubleClick(bool onColumnBorder) {
    if (!onColumnBorder) return;
    AutoFitColumns();
    AutoFitColumns();
}

void TForm_Exposure::OnRowNumberClick(int row, Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        // The commands act on the row whose gutter was clicked, as after a left click there.
        if (row >= 0 && row < table_.RowCount()) SelectRow(row);
        rowEditPanel_->move(grid_->pos());
        rowEditPanel_->show();
        rowEditPanel_->raise();
    }
    grid_->setFocus();
}

void TForm_Exposure::SelectRow(int row) {
    const QModelIndex first = model_->index(row, 0);
    grid_->setCurrentIndex(first);
    grid_->selectionModel()->select(QItemSelection(first, model_->index(row, kExposureColumns - 1)),
                                  QItemSelectionModel::ClearAndSelect);
}

void TForm_Exposure::RowCommand(std::optional<int> (*command)(ExposureTable&, int)) {
    CommitCellEdit();
    // Worked on a copy, so that a command that does nothing leaves the view and its current row alone.
    ExposureTable changed = table_;
    const std::optional<int> current = command(changed, grid_->currentIndex().row());
    if (!current) return;
    model_->Change([&] { table_ = std::move(changed); });
    SelectRow(*current);
    OnRowNumberClick(*current, Qt::LeftButton);
}

void TForm_Exposure::OnInsertBefore() { RowCommand(&InsertLineBefore); }
void TForm_Exposure::OnInsertAfter() { RowCommand(&InsertLineAfter); }
void TForm_Exposure::OnDeleteRow() { RowCommand(&DeleteLine); }
void TForm_Exposure::OnEditsDone() { rowEditPanel_->hide(); }

void TForm_Exposure::OnFitTableToSite() {
    CommitCellEdit();
    const TableFileSite site = main_.TableSite();
    TableFit fit = FitTableToSite(table_, tableSite_, site, shared_.eclipse.EclipseCatalog, shared_.eclipse.DeltaT);
    statusText_->setText(ToQString(fit.message));
    if (!fit.fitted) {
        ShowMessage(fit.message);
        return;
    }
    std::vector<ExposureRow> review;
    for (int row : fit.reviewRows) review.push_back(fit.table.Row(row));
    model_->Change([&] { table_ = std::move(fit.table); });
    model_->SetReviewRows(std::move(review));
    tableSite_ = site;
    // The heading follows the new site's totality or annularity.
    const char type = shared_.contacts.Place.LocalType;
    const auto& contact = shared_.contacts.ContactJD;
    if ((type == 't' || type == 'a') && contact[kC2] != 0 && contact[kC3] != 0)
        headingLabel_->setText(ToQString(TableHeaderText(type, contact[kC2], contact[kC3])));
    if (!fit.reviewRows.empty()) ShowMessage(fit.message);
}

void TForm_Exposure::RefreshFindings() {
    findings_ = CheckExposureTable(
        table_, TableCheckInputFor(shared_.folders, shared_.eclipse.GreatestEclipseJD,
                                   CameraTimingOf(CameraBackendSetting())));
    model_->SetFindings(findings_);
    findingsList_->clear();
    for (const TableFinding& finding : findings_) {
        auto* item = new QListWidgetItem(ToQString(finding.text), findingsList_);
        item->setData(Qt::UserRole, finding.row);
    }
    const bool shown = !findings_.empty();
    if (shown != findingsList_->isVisibleTo(this)) {
        findingsList_->setVisible(shown);
        LayoutGrid();
    }
}

bool TForm_Exposure::eventFilter(QObject* watched, QEvent* event) {
    if (grid_ == nullptr) return QMainWindow::eventFilter(watched, event);  // still being built
    if (watched == centralWidget() && event->type() == QEvent::Resize) LayoutGrid();
    if (watched == grid_->verticalHeader()->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        OnRowNumberClick(grid_->verticalHeader()->logicalIndexAt(mouse->position().toPoint()), mouse->button());
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- window ----------------------------------------------------------------------------------------

void TForm_Exposure::LayoutGrid() {
    QWidget* client = centralWidget();
    headingLabel_->setGeometry(0, headingLabel_->y(), client->width(), headingLabel_->height());
    hintLabel_->setGeometry(0, hintLabel_->y(), client->width(), hintLabel_->height());
    const int findings = findingsList_->isVisibleTo(this) ? kFindingsHeight : 0;
    grid_->setGeometry(0, kGridTop, client->width(), std::max(kRowHeight, client->height() - kGridTop - findings));
    findingsList_->setGeometry(0, client->height() - findings, client->width(), findings);
    if (rowEditPanel_->isVisible()) rowEditPanel_->move(grid_->pos());
}

void TForm_Exposure::closeEvent(QCloseEvent* event) {
    // The next opening empties the table: edits not saved are lost then.
    CommitCellEdit();
    if (UnsavedEdits() && !closeConfirmed_) {
        event->ignore();
        Ask("The exposure table has edits that are not saved. Close the window anyway?", [this] {
            closeConfirmed_ = true;
            close();
        });
        return;
    }
    closeConfirmed_ = false;
    // Closing only hides the window: its table and choices stay for the run and the next opening.
    if (QAction* item = main_.exposureTablesItem()) item->setEnabled(true);
    event->accept();
}

}  // namespace zelto
