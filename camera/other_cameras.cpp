#include "camera/other_cameras.h"

#include <utility>

namespace zelto {

std::vector<KeptCamera> OtherCamerasOf(const std::vector<KeptCamera>& kept, const std::string& windowSerial) {
    std::vector<KeptCamera> others;
    for (const KeptCamera& camera : kept) {
        const bool windows = !windowSerial.empty() && camera.serial == windowSerial;
        if (!camera.table.empty() && !windows) others.push_back(camera);
    }
    return others;
}

std::string WindowCameraName(const std::vector<KeptCamera>& kept, const std::string& windowSerial) {
    for (const KeptCamera& camera : kept) {
        if (!windowSerial.empty() && camera.serial == windowSerial) return camera.name;
    }
    return {};
}

std::string OtherCameraStateText(const OtherCameraState& state) {
    if (!state.progress) return state.line;
    const RunProgress& progress = *state.progress;
    std::string text = state.running ? "" : "ended: ";
    if (state.running && progress.row >= 0)
        text += "row " + std::to_string(progress.row + 1) + "/" + std::to_string(progress.rows) + " \u00b7 ";
    text += std::to_string(progress.taken) + " taken, " + std::to_string(progress.lost) + " lost, " +
            std::to_string(progress.failed) + " failed";
    if (progress.camera == RunProgress::Camera::Lost) text += " \u00b7 camera lost";
    if (progress.camera == RunProgress::Camera::Simulated) text += " \u00b7 simulated";
    return text;
}

// One camera's run page: what the run shows goes into its state.
class OtherCameras::StateView final : public PagelessRunView {
  public:
    StateView(OtherCameras& cameras, size_t index) : cameras_(cameras), index_(index) {}
    void ShowProgress(const RunProgress& progress) override {
        cameras_.Change(index_, [&progress](OtherCameraState& state) { state.progress = progress; });
    }
    void ShowSummary(const std::string& text) override {
        cameras_.Change(index_, [&text](OtherCameraState& state) { state.summary = text; });
    }

  protected:
    void RedInfo(const std::string& text) override {
        cameras_.Change(index_, [&text](OtherCameraState& state) { state.info = text; });
    }

  private:
    OtherCameras& cameras_;
    size_t index_;
};

OtherCameras::OtherCameras(Clock& clock, const WorkingFolders& folders, Shell& shell)
    : clock_(clock), folders_(folders), shell_(shell) {}

OtherCameras::~OtherCameras() {
    Stop();
    if (thread_.joinable()) thread_.join();
}

void OtherCameras::Begin(Start start, std::function<void()> changed) {
    if (thread_.joinable()) thread_.join();  // ended: GoingOn() was false
    changed_ = std::move(changed);
    stopAsked_ = false;
    timeOffset_ = start.timeOffset;
    {
        const std::lock_guard lock(mutex_);
        states_.clear();
        for (const KeptCamera& camera : start.cameras) {
            OtherCameraState state;
            state.name = camera.name;
            state.table = camera.table;
            state.serial = camera.serial;
            state.line = "looking for the camera";
            state.running = true;
            states_.push_back(std::move(state));
        }
    }
    goingOn_ = !start.cameras.empty();
    if (goingOn_)
        thread_ = std::thread([this, start = std::move(start)]() mutable { FindAndRun(std::move(start)); });
}

void OtherCameras::Stop() {
    stopAsked_ = true;
}

void OtherCameras::SetTimeOffset(double offset) {
    timeOffset_ = offset;
}

bool OtherCameras::GoingOn() const {
    return goingOn_;
}

std::vector<OtherCameraState> OtherCameras::States() const {
    const std::lock_guard lock(mutex_);
    return states_;
}

void OtherCameras::Change(size_t index, const std::function<void(OtherCameraState&)>& change) {
    {
        const std::lock_guard lock(mutex_);
        if (index < states_.size()) change(states_[index]);
    }
    if (changed_) changed_();
}

void OtherCameras::FindAndRun(Start start) {
    // The runs of the cameras whose tables read whole, and the state each reports to. A table that
    // cannot be read runs nothing on its camera; the others go on.
    std::vector<std::unique_ptr<BodyRun>> runs;
    std::vector<size_t> stateOf;
    std::vector<KeptCamera> kept;
    for (size_t i = 0; i < start.cameras.size(); ++i) {
        auto run = std::make_unique<BodyRun>();
        run->name = start.cameras[i].name;
        run->reading = LoadExposureTable(start.cameras[i].table);
        if (!run->reading.opened || run->reading.malformedLine != 0) {
            Change(i, [&run](OtherCameraState& state) {
                state.line = "table: " + run->reading.message;
                state.running = false;
            });
            continue;
        }
        runs.push_back(std::move(run));
        stateOf.push_back(i);
        kept.push_back(start.cameras[i]);
    }
    std::vector<Candidate> candidates =
        MakeCandidates(start.backend, std::vector<std::string>(runs.size()), start.elsewhere, 2);
    std::string error;
    const auto found = ConnectCandidates(candidates, &error);
    if (found) {
        MatchNames(kept, runs, candidates, *found, [&](const std::string& name, const std::string& line) {
            for (size_t r = 0; r < runs.size(); ++r) {
                if (runs[r]->name == name)
                    Change(stateOf[r], [&line](OtherCameraState& state) { state.line = line; });
            }
        });
    }
    PortBook book;
    KnowBodiesBySerial(start.backend, runs, book);

    std::vector<std::unique_ptr<StateView>> views;
    SilentSound sound;
    std::vector<std::function<void()>> work;
    for (size_t r = 0; r < runs.size(); ++r) {
        BodyRun& run = *runs[r];
        const size_t i = stateOf[r];
        if (!found || !run.camera) {
            Change(i, [&](OtherCameraState& state) {
                if (!found) state.line = error;
                state.running = false;
            });
            continue;
        }
        std::string why;
        const std::string log = start.shotLogPath.empty() ? "" : BodyLogPath(start.shotLogPath, run.name);
        PrepareBodyRun(run, start.simulatedClock ? start.simulatedClock() : nullptr, start.faults, log, &why);
        Change(i, [&](OtherCameraState& state) {
            state.serial = kept[r].serial;
            state.shotLog = run.logging ? log : "";
            if (!why.empty()) state.info = "Shot log: cannot write " + log + ": " + why;
        });
        views.push_back(std::make_unique<StateView>(*this, i));
        work.emplace_back([this, &run, &start, &sound, view = views.back().get(), i] {
            RunBody(run, start.kind, start.start,
                    {clock_, folders_, *view, sound, shell_,
                     [this, i](const std::string& line) {
                         Change(i, [&line](OtherCameraState& state) { state.info = line; });
                     },
                     [this, &run] {
                         if (stopAsked_) run.stopAsked = true;
                         run.timeOffset = timeOffset_.load();
                     }});
            Change(i, [](OtherCameraState& state) { state.running = false; });
        });
    }
    RunTogether(work);
    goingOn_ = false;
    if (changed_) changed_();
}

}  // namespace zelto
