#include "camera_window/camera_list_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt_text.h"

namespace zelto {

namespace {

enum Column { kName, kTable, kSerial, kState, kColumns };

constexpr const char* kWindowCameraText = "this window's camera: runs the exposure window's table";

// Writes a cell in place: the cell being edited may be the one that changed.
void SetCell(QTableWidget* list, int row, int column, const std::string& text, const std::string& tip = {},
             bool editable = false) {
    QTableWidgetItem* item = list->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        list->setItem(row, column, item);
    }
    item->setText(ToQString(text));
    item->setToolTip(ToQString(tip));
    item->setFlags(editable ? item->flags() | Qt::ItemIsEditable : item->flags() & ~Qt::ItemIsEditable);
}

// The file's name without its folder: the whole path is the cell's tip.
std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

QPushButton* Button(const char* name, const char* text, const char* tip) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setToolTip(tip);
    return button;
}

}  // namespace

CameraListPage::CameraListPage(std::string optionsPath, std::function<void(const std::string&)> say,
                               std::function<void(std::function<void(const std::string&)>)> chooseTable,
                               QWidget* parent)
    : QWidget(parent),
      optionsPath_(std::move(optionsPath)),
      say_(std::move(say)),
      chooseTable_(std::move(chooseTable)) {
    setObjectName("TabSheet4");
    Cameras();
    auto* help = new QLabel(
        "This window's camera runs the exposure window's table. Every other camera named here runs its own "
        "table beside it in each run, on the same clock; a camera is recognised by its serial number, learnt "
        "when it is first found.");
    help->setObjectName("Label_Cameras_Expl");
    help->setWordWrap(true);
    list_ = new QTableWidget(0, kColumns);
    list_->setObjectName("Table_Cameras");
    list_->setHorizontalHeaderLabels({"Camera", "Table", "Serial", "State"});
    list_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->verticalHeader()->hide();
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setMinimumHeight(list_->horizontalHeader()->sizeHint().height() +
                            3 * list_->verticalHeader()->defaultSectionSize());
    addButton_ = Button("Button_Add_Camera", "Add camera", "Name another camera, then choose its table");
    tableButton_ =
        Button("Button_Camera_Table", "Table...", "Choose the exposure table the selected camera runs");
    removeButton_ = Button("Button_Remove_Camera", "Remove", "The selected camera no longer runs");
    connect(addButton_, &QPushButton::clicked, this, &CameraListPage::OnAddCamera);
    connect(tableButton_, &QPushButton::clicked, this, &CameraListPage::OnChooseTable);
    connect(removeButton_, &QPushButton::clicked, this, &CameraListPage::OnRemoveCamera);
    connect(list_, &QTableWidget::cellChanged, this, [this](int row, int column) {
        if (!filling_ && column == kName) OnNameEdited(row);
    });
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {addButton_, tableButton_, removeButton_}) buttons->addWidget(button);
    buttons->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(list_, 1);
    row->addLayout(buttons);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 4, 8, 8);
    page->addWidget(help);
    page->addLayout(row, 1);
    Fill();
}

std::vector<KeptCamera> CameraListPage::Cameras() {
    cameras_ = ReadOptionsFile(optionsPath_).Cameras;
    return cameras_;
}

void CameraListPage::SetWindowCamera(const std::string& serial) {
    windowSerial_ = serial;
    Fill();
}

void CameraListPage::ShowStates(const std::vector<OtherCameraState>& states) {
    states_ = states;
    // A serial learnt in the run is kept, so the camera is known on any port from now on.
    const auto unknown = [this](const OtherCameraState& state) {
        for (const KeptCamera& camera : cameras_) {
            if (camera.name == state.name && camera.serial.empty() && !state.serial.empty()) return true;
        }
        return false;
    };
    if (std::any_of(states.begin(), states.end(), unknown)) {
        std::vector<KeptCamera> cameras = Cameras();
        for (KeptCamera& camera : cameras) {
            for (const OtherCameraState& state : states) {
                if (camera.name == state.name && camera.serial.empty()) camera.serial = state.serial;
            }
        }
        Keep(cameras);
    }
    Fill();
}

void CameraListPage::SetRunning(bool running) {
    running_ = running;
    Fill();
}

int CameraListPage::SelectedRow() const {
    const QList<QTableWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : selected.front()->row();
}

void CameraListPage::Fill() {
    filling_ = true;
    const std::vector<KeptCamera>& cameras = cameras_;
    const int selected = SelectedRow();
    list_->setRowCount(static_cast<int>(cameras.size()));
    for (int row = 0; row < static_cast<int>(cameras.size()); ++row) {
        const KeptCamera& camera = cameras[static_cast<size_t>(row)];
        const bool windows = !windowSerial_.empty() && camera.serial == windowSerial_;
        std::string state = windows                ? kWindowCameraText
                            : camera.table.empty() ? "no table: does not run"
                                                   : "";
        std::string tip;
        for (const OtherCameraState& other : states_) {
            if (other.name != camera.name || windows) continue;
            state = OtherCameraStateText(other);
            tip = other.line + (other.info.empty() ? "" : "\n" + other.info) +
                  (other.summary.empty() ? "" : "\n" + other.summary) +
                  (other.shotLog.empty() ? "" : "\nShot log: " + other.shotLog);
        }
        SetCell(list_, row, kName, camera.name, {}, !running_);
        SetCell(list_, row, kTable, FileName(camera.table), camera.table);
        SetCell(list_, row, kSerial, camera.serial);
        SetCell(list_, row, kState, state, tip);
    }
    if (selected >= 0 && selected < list_->rowCount()) list_->selectRow(selected);
    addButton_->setEnabled(!running_);
    tableButton_->setEnabled(!running_ && !cameras.empty());
    removeButton_->setEnabled(!running_ && !cameras.empty());
    filling_ = false;
}

void CameraListPage::Keep(const std::vector<KeptCamera>& cameras) {
    ProgramOptions options = ReadOptionsFile(optionsPath_);
    options.Cameras = cameras;
    if (!WriteOptionsFile(optionsPath_, options)) say_("The cameras could not be kept in " + optionsPath_);
    cameras_ = ReadOptionsFile(optionsPath_).Cameras;  // what the file holds now, written or not
}

void CameraListPage::OnAddCamera() {
    if (running_) return;
    std::vector<KeptCamera> cameras = Cameras();
    std::string name;
    for (int n = static_cast<int>(cameras.size()) + 1; name.empty(); ++n) {
        name = "Camera" + std::to_string(n);
        for (const KeptCamera& camera : cameras) name = camera.name == name ? "" : name;
    }
    cameras.push_back({name, {}, {}});
    Keep(cameras);
    Fill();
    const int row = list_->rowCount() - 1;
    list_->selectRow(row);
    list_->editItem(list_->item(row, kName));  // the name is the user's to give, then the table
}

void CameraListPage::OnChooseTable() {
    const int row = SelectedRow();
    if (running_ || row < 0 || !chooseTable_) return;
    const std::string name = Cameras()[static_cast<size_t>(row)].name;
    chooseTable_([this, name](const std::string& path) {
        if (path.empty() || running_) return;
        std::vector<KeptCamera> cameras = Cameras();
        for (KeptCamera& camera : cameras) {
            if (camera.name == name) camera.table = path;
        }
        Keep(cameras);
        Fill();
    });
}

void CameraListPage::OnRemoveCamera() {
    const int row = SelectedRow();
    std::vector<KeptCamera> cameras = Cameras();
    if (running_ || row < 0 || row >= static_cast<int>(cameras.size())) return;
    cameras.erase(cameras.begin() + row);
    Keep(cameras);
    Fill();
}

void CameraListPage::OnNameEdited(int row) {
    std::vector<KeptCamera> cameras = Cameras();
    if (row < 0 || row >= static_cast<int>(cameras.size())) return;
    const std::string name = ToUtf8(list_->item(row, kName)->text().trimmed());
    bool taken = false;
    for (size_t i = 0; i < cameras.size(); ++i)
        taken = taken || (i != static_cast<size_t>(row) && cameras[i].name == name);
    if (!IsCameraName(name) || taken) {
        say_(taken ? "Camera name \"" + name + "\" is given already."
                   : "Camera name \"" + name +
                         "\" not used: a name has no blanks, \"=\", \":\", \",\" or quotes.");
    } else {
        cameras[static_cast<size_t>(row)].name = name;
        Keep(cameras);
    }
    Fill();
}

}  // namespace zelto
