#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "camera/other_cameras.h"
#include "circumstances/parameter_file.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace zelto {

// The camera window's "Cameras" page: the cameras kept by name in the options, each with the table it
// runs. The camera window's own camera runs the exposure window's table; every other camera named here
// with a table runs its own beside it, found by its serial number. During and after a run each row
// shows its camera's state and counts, its summary and shot log as its tip. It keeps only the camera
// lines of the options file, read afresh before each change.
class CameraListPage final : public QWidget {
    Q_OBJECT

  public:
    // `say` shows a text in the window's status bar; `chooseTable` asks for a table file and answers
    // with its path (empty: cancelled).
    CameraListPage(std::string optionsPath, std::function<void(const std::string&)> say,
                   std::function<void(std::function<void(const std::string&)>)> chooseTable,
                   QWidget* parent = nullptr);

    // As kept now: read afresh (zelto-cli may have learnt a serial meanwhile).
    std::vector<KeptCamera> Cameras();
    // The serial of the camera window's camera (empty: none connected): its row is marked.
    void SetWindowCamera(const std::string& serial);
    // The other cameras' states: shown in their rows, and serials learnt are kept.
    void ShowStates(const std::vector<OtherCameraState>& states);
    void SetRunning(bool running);  // the list is not changed while a run goes on

    // Handlers, public so tests reach them.
    void OnAddCamera();
    void OnChooseTable();
    void OnRemoveCamera();
    void OnNameEdited(int row);

  private:
    void Fill();
    void Keep(const std::vector<KeptCamera>& cameras);
    int SelectedRow() const;

    std::string optionsPath_;
    std::function<void(const std::string&)> say_;
    std::function<void(std::function<void(const std::string&)>)> chooseTable_;
    std::vector<KeptCamera> cameras_;  // as last read or kept
    std::string windowSerial_;
    std::vector<OtherCameraState> states_;
    bool running_ = false;
    bool filling_ = false;  // the rows are being written: no edit is the user's
    QTableWidget* list_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* tableButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
};

}  // namespace zelto
