#include "exposure_window/form_exposure.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelection>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>
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

// The gutter's width and the rows' height at the normal font; both follow the font's scale.
constexpr int kGutterWidth = 35;
constexpr int kRowHeight = 20;
constexpr int kGridRowsShown = 14;      // rows the grid asks room for below its header
constexpr int kGridCharsShown = 160;    // the most width, in characters, the grid asks for its columns
constexpr int kFindingsLinesShown = 5;  // lines of findings shown before the list scrolls
constexpr const char* kTableFileName = "Zelto_Exposure_Table.txt";

const QColor kFindingColour(255, 190, 90);
const QColor kReviewColour(255, 110, 110);
const QColor kUnknownSettingColour(220, 0, 0);
const char* const kUnknownSettingHint = "Not a name the camera tables know: a run counts this setting as failed";

// At night every brush of the grid is red text (kNightText) on black or a dark red: a fill the day
// tells a row's phase by turns a dark red the brighter the darker the day colour, so that phases
// stay apart; rows and cells to look at (review, unknown setting, unreadable date-time, a finding)
// get the brightest dark red. Every one keeps 4.5:1 or more for kNightText.
const QColor kNightWarningFill(0x4c, 0, 0);
QColor NightFill(const QColor& day) {
    const int darkness = 765 - (day.red() + day.green() + day.blue());
    return QColor(std::min(0x10 + darkness / 9, 0x40), 0, 0);
}

// A grid brush for `role`: the day's text or fill, or their night variant.
QBrush GridBrush(int role, const QColor& dayText, const QColor& dayFill, bool warning) {
    if (!NightModeOn()) return QBrush(role == Qt::ForegroundRole ? dayText : dayFill);
    if (role == Qt::ForegroundRole) return QBrush(QColor(kNightText));
    return QBrush(warning ? kNightWarningFill : NightFill(dayFill));
}

// A quality, ISO or aperture the camera tables do not know: white on red, whatever the row's colour.
QBrush UnknownSettingColour(int role) {
    return GridBrush(role, Qt::white, kUnknownSettingColour, true);
}

QColor ToColor(const Rgb& rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

QLabel* NamedLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QRadioButton* NamedRadio(const char* name, const QString& text, QWidget* parent) {
    auto* radio = new QRadioButton(text, parent);
    radio->setObjectName(name);
    return radio;
}

QGroupBox* NamedGroup(const char* name, const QString& title) {
    auto* group = new QGroupBox(title);
    group->setObjectName(name);
    return group;
}

// A radio button that shows only its indicator: the labels beside it carry its text.
class IndicatorRadio final : public QRadioButton {
  public:
    using QRadioButton::QRadioButton;
    QSize sizeHint() const override {
        const int side = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, this);
        return {side + 4, std::max(side, fontMetrics().height())};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        painter.drawControl(QStyle::CE_RadioButton, option);
    }
};

// Table cells are 8-bit text: Latin-1 maps every byte to one character and back unchanged.
QString Cell(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }
std::string CellBytes(const QString& text) { return ToUtf8(text.toLatin1()); }

}  // namespace

// The grid's view of the window's table: texts, per-column alignment, the two-line titles, the
// numbered gutter and the row colours, by day or night.
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

    // The colours change with night mode: the view draws every cell and row number again.
    void Recolour() {
        if (rowCount() == 0) return;
        emit dataChanged(index(0, 0), index(rowCount() - 1, kExposureColumns - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole});
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
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
                return RowBrush(index.row(), role);
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
                if (role == Qt::BackgroundRole || (role == Qt::ForegroundRole && NightModeOn()))
                    return GridBrush(role, Qt::black, kFindingColour, true);
                // The night style draws the gutter black over any fill: the number is underlined.
                if (role == Qt::FontRole && NightModeOn()) {
                    QFont marked;  // only the underline: the gutter's own font gives the rest
                    marked.setUnderline(true);
                    return marked;
                }
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
    QVariant RowBrush(int row, int role) const {
        if (std::find(review_.begin(), review_.end(), table_.Row(row)) != review_.end())
            return GridBrush(role, Qt::black, kReviewColour, true);
        const RowColours colours = RowColoursFor(table_.Row(row));
        if (NightModeOn()) {
            // A row without colours of its own keeps the night style's red on black.
            if (!colours.text) return {};
            const bool warning = !colours.fill || HasUnreadableDateTime(table_.Row(row));
            return GridBrush(role, {}, colours.fill ? ToColor(*colours.fill) : QColor(), warning);
        }
        const std::optional<Rgb>& colour = role == Qt::ForegroundRole ? colours.text : colours.fill;
        if (!colour) return {};
        return QBrush(ToColor(*colour));
    }

    ExposureTable& table_;
    std::function<void(const std::string&)> refused_;
    std::array<Qt::Alignment, kExposureColumns> alignment_{};
    std::vector<ExposureRow> review_;
    std::map<int, QString> findings_;
};

// The grid widget: a table view that says whether a cell is being typed into, and asks for room for
// its columns (up to kGridCharsShown characters) and kGridRowsShown rows.
class ExposureGrid final : public QTableView {
  public:
    using QTableView::QTableView;
    bool Editing() const { return state() == QAbstractItemView::EditingState; }
    QSize sizeHint() const override {
        const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        const int frame = 2 * frameWidth();
        const int columns = verticalHeader()->width() + horizontalHeader()->length() + scrollBar + frame;
        const int height = horizontalHeader()->sizeHint().height() +
                           kGridRowsShown * verticalHeader()->defaultSectionSize() + scrollBar + frame;
        return {std::min(columns, kGridCharsShown * fontMetrics().averageCharWidth()), height};
    }
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
    // The groups of one eclipse type share a place in the layout: only the site's ones show.
    ApplyHeadings(shared_.contacts.Place.LocalType);
    ApplyGridMetrics();
    ApplyNightColours();
    AutoFitColumns();
    FitWindow(ScreenRoom(this));
}

TForm_Exposure::~TForm_Exposure() = default;

void TForm_Exposure::SetFormSize(FormSize size, QSize room) {
    fontScale_ = FontScale(size);
    ScaleFonts(this, fontScale_);
    ApplyGridMetrics();
    AutoFitColumns();
    FitWindow(room);
}

void TForm_Exposure::FitWindow(QSize room) {
    room_ = room;  // an opening fits the window to the room it was last given
    FitToRoom(this, room);
}

void TForm_Exposure::ApplyGridMetrics() {
    QHeaderView* gutter = grid_->verticalHeader();
    gutter->setFixedWidth(static_cast<int>(std::lround(kGutterWidth * fontScale_)));
    gutter->setDefaultSectionSize(static_cast<int>(std::lround(kRowHeight * fontScale_)));
    findingsList_->setFixedHeight(kFindingsLinesShown * findingsList_->fontMetrics().lineSpacing() +
                                  2 * findingsList_->frameWidth() + 4);
    grid_->updateGeometry();
    if (rowEditPanel_->isVisible()) PlaceRowEditPanel();
}

// The client, top to bottom: the headings, the option groups with "Create" below the partial phases,
// the grid, and the findings list (shown while there are findings); the row-command panel floats over
// the grid. It scrolls when the window is smaller than its layout.
void TForm_Exposure::BuildWidgets() {
    auto* client = new QWidget;
    client->setObjectName("Form_Exposure_Client");
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(2, 2, 2, 0);
    column->setSpacing(4);
    column->addWidget(BuildHeadings());
    column->addLayout(BuildOptionRow());
    BuildGrid(client);
    column->addWidget(grid_, 1);
    BuildFindingsList();
    column->addWidget(findingsList_);
    BuildRowEditPanel(client);
    BuildStatusLine();
    setCentralWidget(ScrollingClient(client, "Form_Exposure_Scroll"));
}

QWidget* TForm_Exposure::BuildHeadings() {
    auto* headings = new QWidget;
    auto* lines = new QVBoxLayout(headings);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(2);
    headingLabel_ = NamedLabel("Label_Exp1", "", headings);
    QFont large = headingLabel_->font();
    large.setPointSize(14);
    large.setBold(true);
    headingLabel_->setFont(large);
    hintLabel_ = NamedLabel("Label_Exp2", "", headings);
    for (QLabel* line : {headingLabel_, hintLabel_}) {
        line->setAlignment(Qt::AlignCenter);
        line->setWordWrap(true);  // a long heading takes a second line rather than being cut
        line->setContentsMargins(0, 1, 0, 2);
        lines->addWidget(line);
    }
    return headings;
}

QGroupBox* TForm_Exposure::BuildCameraDefaults() {
    cameraDefaultsBox_ = NamedGroup("GroupBox_Camera_Defaults", "Camera Defaults:");
    auto* rows = new QFormLayout(cameraDefaultsBox_);
    const auto list = [&](const char* name, const char* labelName, const char* caption) {
        auto* box = new QComboBox(cameraDefaultsBox_);
        box->setObjectName(name);
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        box->setMinimumContentsLength(12);
        rows->addRow(NamedLabel(labelName, caption, cameraDefaultsBox_), box);
        return box;
    };
    qualityDefaultList_ = list("ComboBox_IQdef", "Label_IQdef", "ImgQual.");
    aeModeDefaultList_ = list("ComboBox_AEdef", "Label_AEdef", "AE mode");
    isoDefaultList_ = list("ComboBox_ISOdef", "Label_ISOdef", "ISO speed");
    apertureDefaultList_ = list("ComboBox_AVdef", "Label_AVdef", "f/Number");
    aeModeDefaultList_->setEnabled(false);
    return cameraDefaultsBox_;
}

QGroupBox* TForm_Exposure::BuildPartialPhases() {
    partialPhasesBox_ = NamedGroup("GroupBox_PartialPhases", "Part.phases:Take pic every..");
    auto* grid = new QGridLayout(partialPhasesBox_);
    for (int i = 0; i < 9; ++i) {
        const std::string name = "RadioButton" + std::to_string(i + 1);
        partialIntervalButtons_[i] =
            NamedRadio(name.c_str(), QString("%1 min").arg(i + 1), partialPhasesBox_);
        grid->addWidget(partialIntervalButtons_[i], i / 3, i % 3);
    }
    partialIntervalButtons_[4]->setChecked(true);
    return partialPhasesBox_;
}

QGroupBox* TForm_Exposure::BuildSpanGroup(const char* name, const QString& title, const char* buttonPrefix,
                                          QRadioButton* (&buttons)[3]) {
    const char* const spans[] = {"pictures from  - 6 s to  + 6 s", "pictures from  - 8 s to  + 8 s",
                                 "pictures from -10 s to +10 s"};
    const char* const suffixes[] = {"06", "08", "10"};
    QGroupBox* group = NamedGroup(name, title);
    auto* lines = new QVBoxLayout(group);
    for (int i = 0; i < 3; ++i) {
        const std::string buttonName = std::string(buttonPrefix) + suffixes[i];
        buttons[i] = NamedRadio(buttonName.c_str(), spans[i], group);
        lines->addWidget(buttons[i]);
    }
    buttons[1]->setChecked(true);
    return group;
}

QGroupBox* TForm_Exposure::BuildTotality() {
    totalityBox_ = NamedGroup("GroupBox_Totality", "During totality:");
    auto* grid = new QGridLayout(totalityBox_);
    // Only the button's indicator shows: the labels beside it carry the texts.
    totalityLoopButton_ = new IndicatorRadio(totalityBox_);
    totalityLoopButton_->setObjectName("RadioButton_Loopnx");
    totalityLoopButton_->setChecked(true);
    totalityLoopText_ = NamedLabel("Label5", "", totalityBox_);
    totalityLoopOftenText_ = NamedLabel("Label6", "as often as possible", totalityBox_);
    grid->addWidget(totalityLoopButton_, 0, 0);
    grid->addWidget(totalityLoopText_, 0, 1);
    grid->addWidget(totalityLoopOftenText_, 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
    return totalityBox_;
}

QGroupBox* TForm_Exposure::BuildAnnularity() {
    annularityBox_ = NamedGroup("GroupBox_Annularity", "During annularity:Take pic every...");
    auto* grid = new QGridLayout(annularityBox_);
    const char* const annular[] = {" 5 s", "10 s", "15 s", "20 s", "25 s", "30 s"};
    const char* const annularNames[] = {"RadioButton_05sec", "RadioButton_10sec", "RadioButton_15sec",
                                        "RadioButton_20sec", "RadioButton_25sec", "RadioButton_30sec"};
    for (int i = 0; i < 6; ++i) {
        annularIntervalButtons_[i] = NamedRadio(annularNames[i], annular[i], annularityBox_);
        grid->addWidget(annularIntervalButtons_[i], i / 2, i % 2);
    }
    annularIntervalButtons_[1]->setChecked(true);
    return annularityBox_;
}

// The option groups side by side, those of one eclipse type sharing a place (only one shows), and
// "Create" below the partial phases.
QGridLayout* TForm_Exposure::BuildOptionRow() {
    auto* row = new QGridLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(BuildCameraDefaults(), 0, 0);
    row->addWidget(BuildPartialPhases(), 0, 1);
    bailysBeadsBox_ = BuildSpanGroup("GroupBox_BailysBeads", "Near C2,C3: Baily's beads: Take..",
                                     "RadioButton_BBeads_", beadsSpanButtons_);
    brokenRingBox_ = BuildSpanGroup("GroupBox_BrokenRing", "Near C2,C3:Broken ring: Take ...",
                                    "RadioButton_BRing_", ringSpanButtons_);
    row->addWidget(bailysBeadsBox_, 0, 2);
    row->addWidget(brokenRingBox_, 0, 2);
    row->addWidget(BuildTotality(), 0, 3);
    row->addWidget(BuildAnnularity(), 0, 3);
    row->setColumnStretch(4, 1);

    createButton_ = new QPushButton("Create Exposure Table");
    createButton_->setObjectName("Button_Create_ExposureList");
    connect(createButton_, &QPushButton::clicked, this, &TForm_Exposure::OnCreateTable);
    row->addWidget(createButton_, 1, 1);
    return row;
}

void TForm_Exposure::BuildGrid(QWidget* client) {
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
    grid_->installEventFilter(this);  // the row-command panel follows the grid's place
    QHeaderView* gutter = grid_->verticalHeader();
    gutter->setObjectName("NGE_Gutter");
    gutter->setSectionResizeMode(QHeaderView::Fixed);
    gutter->setMinimumSectionSize(1);
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
}

// The floating panel of row commands, shown over the grid by a right click on the gutter.
void TForm_Exposure::BuildRowEditPanel(QWidget* client) {
    rowEditPanel_ = new QFrame(client);
    rowEditPanel_->setObjectName("Panel_NGE_Insert_Delete");
    rowEditPanel_->setFrameShape(QFrame::Panel);
    rowEditPanel_->setFrameShadow(QFrame::Raised);
    rowEditPanel_->setAutoFillBackground(true);
    auto* buttons = new QVBoxLayout(rowEditPanel_);
    buttons->setContentsMargins(8, 8, 8, 8);
    buttons->setSpacing(6);
    const auto command = [&](const char* name, const QString& caption, void (TForm_Exposure::*handler)()) {
        auto* button = new QPushButton(caption, rowEditPanel_);
        button->setObjectName(name);
        connect(button, &QPushButton::clicked, this, handler);
        buttons->addWidget(button);
    };
    command("Button_Insert_Before", "Insert before", &TForm_Exposure::OnInsertBefore);
    command("Button_Insert_After", "Insert after", &TForm_Exposure::OnInsertAfter);
    command("Button_Delete_Line", "Delete line", &TForm_Exposure::OnDeleteRow);
    command("Button_Done", "&Done", &TForm_Exposure::OnEditsDone);
    rowEditPanel_->hide();
}

void TForm_Exposure::BuildFindingsList() {
    findingsList_ = new QListWidget;
    findingsList_->setObjectName("ListBox_Findings");
    findingsList_->setToolTip("What a run of this table would do wrong (the table check); a click selects the row");
    findingsList_->setWordWrap(true);
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
}

void TForm_Exposure::BuildStatusLine() {
    statusBar()->setObjectName("StatusBar1");
    statusBar()->setSizeGripEnabled(false);
    statusText_ = new QLabel;
    statusText_->setObjectName("StatusBar1_Text");
    statusText_->setWordWrap(true);  // a long status (a saved file's path, a fit's message) wraps
    statusText_->setContentsMargins(0, 1, 0, 2);
    statusBar()->addWidget(statusText_, 1);
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
    ApplyNightColours();
    FitWindow(room_);
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
    // The three span buttons stand for ± 6, 8 and 10 s.
    const auto span = [](QRadioButton* const(&buttons)[3], int none) {
        for (int i = 0; i < 3; ++i) {
            if (buttons[i]->isChecked()) return 6 + 2 * i;
        }
        return none;
    };
    options.BeadsSpan = span(beadsSpanButtons_, kBeadsSpanWhenNone);
    options.BrokenRingSpan = span(ringSpanButtons_, kBrokenRingSpanWhenNone);
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
    totalityLoopText_->setText("loop from 1/1000 to " + last);
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
        PlaceRowEditPanel();
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
    findingsList_->setVisible(!findings_.empty());  // below the grid, which gives it the room
}

bool TForm_Exposure::eventFilter(QObject* watched, QEvent* event) {
    if (grid_ == nullptr) return QMainWindow::eventFilter(watched, event);  // still being built
    if (watched == grid_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
        rowEditPanel_->isVisible())
        PlaceRowEditPanel();
    if (watched == grid_->verticalHeader()->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        OnRowNumberClick(grid_->verticalHeader()->logicalIndexAt(mouse->position().toPoint()), mouse->button());
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- window ----------------------------------------------------------------------------------------

void TForm_Exposure::PlaceRowEditPanel() {
    rowEditPanel_->adjustSize();
    rowEditPanel_->move(grid_->pos());
}

void TForm_Exposure::ApplyNightColours() {
    // The grid's ground is white by day, also behind every other row.
    const QColor ground = NightModeOn() ? QColor(Qt::black) : QColor(Qt::white);
    QPalette palette = grid_->palette();
    palette.setColor(QPalette::Base, ground);
    palette.setColor(QPalette::AlternateBase, ground);
    grid_->setPalette(palette);
    // The night style sheet gives the header sections a border but no ground, which leaves them light.
    grid_->setStyleSheet(NightModeOn() ? "QHeaderView::section { background-color: black; }" : "");
    model_->Recolour();
}

void TForm_Exposure::changeEvent(QEvent* event) {
    // ApplyNightMode sets the application's style sheet, which every widget is told of.
    if (event->type() == QEvent::StyleChange && grid_ != nullptr) ApplyNightColours();
    QMainWindow::changeEvent(event);
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
