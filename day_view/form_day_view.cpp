#include "day_view/form_day_view.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "circumstances/contact_display.h"
#include "eclipse_data/datetext.h"
#include "platform/qt_text.h"

namespace zelto {

namespace {

constexpr const char* kAbortQuestion = "Abort the photography run?";

// Normal mode: white on black, warnings light red; night mode: everything red on black (every pair
// 4.5:1 or more).
struct DayColours {
    QColor text, warning, background;
};
DayColours ColoursFor(bool night) {
    if (night) return {QColor(255, 64, 64), QColor(255, 64, 64), Qt::black};
    return {Qt::white, QColor(255, 112, 112), Qt::black};
}

// A line of the view; the short ones (clock, countdowns, row, counts) never wrap.
QLabel* Line(QWidget* parent, QVBoxLayout* layout, const char* name, int points, bool bold = false,
             bool wraps = false) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setPointSize(points);
    font.setBold(bold);
    label->setFont(font);
    label->setWordWrap(wraps);
    layout->addWidget(label);
    return label;
}

std::string CameraText(RunProgress::Camera camera) {
    switch (camera) {
        case RunProgress::Camera::Connected:
            return "Camera connected";
        case RunProgress::Camera::Lost:
            return "Camera LOST: the run goes on and reconnects it";
        case RunProgress::Camera::Simulated:
            return "SIMULATED: no camera";
    }
    return {};
}

}  // namespace

TForm_DayView::TForm_DayView(Services services, bool nightMode, QWidget* parent)
    : QMainWindow(parent), s_(std::move(services)) {
    setObjectName("Form_DayView");
    setWindowTitle("Zelto - Eclipse day");
    question_ = [this](const std::string& caption, const std::string& text,
                       const std::vector<std::string>& buttons, int defaultButton,
                       std::function<void(int)> answered) {
        AskQuestion(this, caption, text, buttons, defaultButton, std::move(answered));
    };
    BuildWidgets();
    SetNightMode(nightMode);
    ticker_ = new QTimer(this);
    ticker_->setInterval(100);
    connect(ticker_, &QTimer::timeout, this, &TForm_DayView::Tick);
    ticker_->start();
    resize(1280, 700);  // within a 1366 × 768 screen
}

void TForm_DayView::BuildWidgets() {
    auto* client = new QWidget(this);
    client->setObjectName("Form_DayView_Client");
    client->setAutoFillBackground(true);
    setCentralWidget(client);
    auto* layout = new QVBoxLayout(client);
    clockLine_ = Line(client, layout, "DayView_Clock", 32, true);
    contactCountdown_ = Line(client, layout, "DayView_ContactCountdown", 64, true);
    rowCountdown_ = Line(client, layout, "DayView_RowCountdown", 40, true);
    rowLine_ = Line(client, layout, "DayView_Row", 22);
    actionLine_ = Line(client, layout, "DayView_Action", 22, false, true);
    cameraLine_ = Line(client, layout, "DayView_Camera", 22, true, true);
    countsLine_ = Line(client, layout, "DayView_Counts", 22);
    otherCamerasLine_ = Line(client, layout, "DayView_OtherCameras", 18, false, true);
    otherCamerasLine_->hide();
    edgeWarning_ = Line(client, layout, "DayView_EdgeWarning", 18, true, true);
    clockCheck_ = Line(client, layout, "DayView_ClockCheck", 18, false, true);
    layout->addStretch(1);

    auto* buttons = new QHBoxLayout;
    abortButton_ = new QPushButton("Abort run", client);
    abortButton_->setObjectName("DayView_Abort");
    cloudButton_ = new QPushButton("Clouds! (F9)", client);
    cloudButton_->setObjectName("DayView_Clouds");
    cloudButton_->setToolTip("Switch the run to the cloud plan from its next row");
    nightButton_ = new QPushButton("Night mode", client);
    nightButton_->setObjectName("DayView_Night");
    nightButton_->setCheckable(true);
    auto* fullScreen = new QPushButton("Full screen (F11)", client);
    fullScreen->setObjectName("DayView_FullScreen");
    for (QPushButton* button : {abortButton_, cloudButton_, nightButton_, fullScreen}) {
        QFont font = button->font();
        font.setPointSize(18);
        button->setFont(font);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    connect(abortButton_, &QPushButton::clicked, this, &TForm_DayView::AskAbort);
    connect(cloudButton_, &QPushButton::clicked, this, [this] {
        if (s_.switchToCloudPlan) s_.switchToCloudPlan();
    });
    connect(nightButton_, &QPushButton::toggled, this, [this](bool on) {
        SetNightMode(on);
        if (s_.keepNightMode) s_.keepNightMode(on);
    });
    connect(fullScreen, &QPushButton::clicked, this,
            [this] { setWindowState(windowState() ^ Qt::WindowFullScreen); });
}

void TForm_DayView::SetNightMode(bool on) {
    const DayColours colours = ColoursFor(on);
    QPalette palette = centralWidget()->palette();
    palette.setColor(QPalette::Window, colours.background);
    palette.setColor(QPalette::WindowText, colours.text);
    palette.setColor(QPalette::Button, colours.background);
    palette.setColor(QPalette::ButtonText, colours.text);
    centralWidget()->setPalette(palette);
    for (QLabel* warning : {edgeWarning_, clockCheck_}) {
        QPalette warned = warning->palette();
        warned.setColor(QPalette::WindowText, colours.warning);
        warning->setPalette(warned);
    }
    const QSignalBlocker quiet(nightButton_);
    nightButton_->setChecked(on);
}

void TForm_DayView::ShowRun(const std::optional<RunProgress>& progress) {
    if (progress && !run_ && !isVisible()) show();  // a run brings the view up
    run_ = progress;
    Tick();
}

void TForm_DayView::ShowOtherCameras(const std::string& runCamera, const std::vector<std::string>& lines,
                                     bool running) {
    if (running && !othersRunning_ && !isVisible()) show();
    runCamera_ = runCamera;
    othersRunning_ = running;
    QString text;
    for (const std::string& line : lines) text += (text.isEmpty() ? "" : "\n") + ToQString(line);
    otherCamerasLine_->setText(text);
    otherCamerasLine_->setVisible(!lines.empty());
    Tick();
}

void TForm_DayView::Tick() {
    const TimeSource& time = s_.shared.time;
    const double now = s_.clock.NowJD() + time.TimeOffset;
    clockLine_->setText(ToQString("UT " + JDText(now, time.TenthsFlag).substr(11) +
                                  (time.TimeOffset != 0 ? "  (rehearsal time)" : "")));
    const auto next = NextContactAfter(s_.shared.contacts.ContactJD, now);
    contactCountdown_->setText(
        next ? ToQString(std::string(kContactSlotNames[static_cast<size_t>(next->slot)]) + " in " +
                         DayDiffText(0, next->jd - now))
             : QString("No contact to come"));
    ShowRunLines(now);
    const TForm_Main::DayFacts facts = s_.facts ? s_.facts() : TForm_Main::DayFacts{};
    edgeWarning_->setText(ToQString(facts.edgeWarning));
    edgeWarning_->setVisible(!facts.edgeWarning.empty());
    clockCheck_->setText(ToQString(facts.clockCheck.text));
}

void TForm_DayView::ShowRunLines(double now) {
    abortButton_->setEnabled(run_.has_value() || othersRunning_);
    cloudButton_->setEnabled(run_ && run_->cloudPlanReady);
    // Without a run its lines give their room up: the clock check comes up under "No run".
    for (QLabel* line : {rowLine_, actionLine_, cameraLine_, countsLine_}) line->setVisible(run_.has_value());
    if (!run_) {
        rowCountdown_->setText("No run");
        for (QLabel* line : {rowLine_, actionLine_, cameraLine_, countsLine_}) line->clear();
        return;
    }
    const RunProgress& run = *run_;
    // The row waits for its instant, or is being carried out and the next one comes.
    const bool waiting = run.rowJD > now;
    const double target = waiting ? run.rowJD : run.nextRowJD;
    const std::string next = waiting ? run.phase : run.nextPhase;
    rowCountdown_->setText(target > now
                               ? ToQString("Next row in " + DayDiffText(0, target - now) + ": " + next)
                               : QString("Last row"));
    rowLine_->setText(run.row < 0
                          ? QString((run.kind == RunKind::Test ? "Test run" : "Run") + QString(" starting"))
                          : ToQString("Row " + std::to_string(run.row + 1) + " of " +
                                      std::to_string(run.rows) + ": " + run.phase));
    actionLine_->setText(ToQString(run.lastAction));
    cameraLine_->setText(ToQString((runCamera_.empty() ? "" : runCamera_ + ": ") + CameraText(run.camera)));
    countsLine_->setText(
        ToQString(std::string(run.camera == RunProgress::Camera::Simulated ? "Simulated " : "Taken ") +
                  std::to_string(run.taken) + "   Lost " + std::to_string(run.lost) + "   Failed " +
                  std::to_string(run.failed)));
}

void TForm_DayView::AskAbort() {
    question_("Zelto", kAbortQuestion, {"Keep running", "Abort"}, 0, [this](int answer) {
        if (answer == 1 && (run_ || othersRunning_) && s_.abortRun)
            s_.abortRun(run_ ? run_->kind : RunKind::Real);
    });
}

void TForm_DayView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F11) {
        setWindowState(windowState() ^ Qt::WindowFullScreen);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

}  // namespace zelto
