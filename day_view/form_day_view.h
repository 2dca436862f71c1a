#pragma once

#include <QMainWindow>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "camera/run_seams.h"
#include "eclipse_data/clock.h"
#include "main_window/form_main.h"
#include "state/variables.h"
#include "window_dialogs/dialogs.h"

class QLabel;
class QPushButton;
class QTimer;

namespace zelto {

// One screen for the eclipse day, readable from two metres: the UT clock, a large countdown to the
// next contact and to the next row, the run's phase, row, last action, camera and counts, the
// near-edge warning and the clock check, and Abort (asking first). F11 makes it full screen; night
// mode shows it red on black. It only copies what the clock, the latest pass and the run report.
class TForm_DayView final : public QMainWindow {
    Q_OBJECT

  public:
    struct Services {
        const SharedVariables& shared;
        Clock& clock;
        std::function<TForm_Main::DayFacts()> facts;  // the main window's latest pass
        std::function<void(bool on)> keepNightMode;   // stores the choice in the options
        std::function<void(RunKind)> abortRun;        // asks the running run to stop
        std::function<void()> switchToCloudPlan;      // "Clouds!": the run goes on with the cloud plan
    };
    TForm_DayView(Services services, bool nightMode, QWidget* parent = nullptr);

    // The run as it goes: a progress while one goes on, nullopt when none does.
    void ShowRun(const std::optional<RunProgress>& progress);
    // The other cameras' lines ("Wide: row 5/40 · 12 taken, 0 lost, 0 failed") while `running` and
    // after, and the name of the camera the run above is on (empty: none kept).
    void ShowOtherCameras(const std::string& runCamera, const std::vector<std::string>& lines, bool running);
    void SetQuestion(QuestionFn ask) { question_ = std::move(ask); }
    void SetNightMode(bool on);
    // One tick of the clock: every text follows the current time (the timer calls it ten times a second).
    void Tick();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void BuildWidgets();
    void ShowRunLines(double now);
    void AskAbort();

    Services s_;
    QuestionFn question_;
    std::optional<RunProgress> run_;
    std::string runCamera_;
    bool othersRunning_ = false;
    QTimer* ticker_ = nullptr;
    QLabel* clockLine_ = nullptr;
    QLabel* contactCountdown_ = nullptr;
    QLabel* rowCountdown_ = nullptr;
    QLabel* rowLine_ = nullptr;
    QLabel* actionLine_ = nullptr;
    QLabel* cameraLine_ = nullptr;
    QLabel* countsLine_ = nullptr;
    QLabel* otherCamerasLine_ = nullptr;
    QLabel* edgeWarning_ = nullptr;
    QLabel* clockCheck_ = nullptr;
    QPushButton* abortButton_ = nullptr;
    QPushButton* nightButton_ = nullptr;
    QPushButton* cloudButton_ = nullptr;
};

}  // namespace zelto
