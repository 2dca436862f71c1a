#include "camera/test_shots.h"

#include <algorithm>
#include <vector>

#include "camera/appmaster.h"
#include "camera/camera_failure.h"
#include "camera/proptables.h"

namespace zelto {

namespace {

constexpr int kMaxCalls = 5000;

// False (and nothing changed but the status line) while a run or another series goes on.
bool Start(const ShotsEnvironment& env) {
    if (env.flags.Activity != CameraActivity::None) {
        env.view.SetStatus(kCameraBusyText);
        return false;
    }
    env.flags.Activity = CameraActivity::Series;
    env.view.ClearReport();
    env.flags.AbortShotsRequested = false;
    env.view.SetSeriesRunning(true, false);
    return true;
}

SeriesResult End(const ShotsEnvironment& env, SeriesResult result, bool fiveSeries) {
    env.flags.Activity = CameraActivity::None;
    result.aborted = env.flags.AbortShotsRequested;
    if (result.aborted) {
        env.view.AddReportLine("Test aborted by user.");
    } else if (result.taken == result.asked) {
        env.view.AddReportLine("OK!");
    } else {
        env.view.AddReportLine(std::to_string(result.asked - result.taken) + " pictures LOST!");
    }
    env.view.SetSeriesRunning(false, fiveSeries);
    return result;
}

// Between pictures the window handles clicks ("Abort") and camera messages. True when the series
// must end: an abort was asked for, or the camera was disconnected (no release may follow that).
bool StopBetweenPictures(const ShotsEnvironment& env, SeriesResult& result) {
    env.view.ProcessMessages();
    if (env.flags.AbortShotsRequested) return true;
    if (env.camera() == nullptr) {
        result.cameraLost = true;
        env.view.AddReportLine("Camera disconnected.");
        return true;
    }
    return false;
}

// A camera call retried as the releases are: up to 5000 trials 15 ms apart, the status bar showing
// each answer. True when the camera finally accepted it.
bool Retried(const ShotsEnvironment& env, const std::string& what, const std::function<EdsError()>& call) {
    int trials = 0;
    EdsError status = 0;
    do {
        ++trials;
        status = call();
        Delay(env.clock, 15);
        env.view.SetStatus(CallStatusText(what, status, trials));
    } while (status != 0 && trials < kMaxCalls);
    return status == 0;
}

std::string TvName(uint32_t code) {
    return SettingName(kEdsPropTv, code);
}

}  // namespace

std::vector<uint32_t> NineShutterSpeeds(const TCamera& camera) {
    const EdsPropertyDesc desc = camera.GetPropertyDesc(kEdsPropTv);
    std::vector<uint32_t> allowed;
    for (int i = 0; i < std::clamp(desc.numElements, 0, 128); ++i) {
        const auto code = static_cast<uint32_t>(desc.propDesc[i]);
        if (ExposureSecondsOfTvName(TvName(code)) > 0) allowed.push_back(code);  // no bulb, no unknown code
    }
    std::stable_sort(allowed.begin(), allowed.end(), [](uint32_t a, uint32_t b) {
        return ExposureSecondsOfTvName(TvName(a)) < ExposureSecondsOfTvName(TvName(b));
    });
    const auto actual =
        std::find(allowed.begin(), allowed.end(), static_cast<uint32_t>(camera.GetPropertyValue(kEdsPropTv)));
    if (actual == allowed.end()) return {};
    // From the actual speed towards longer ones; near the long end the steps begin shorter, so that
    // nine distinct speeds are taken wherever the camera allows them.
    const auto count = static_cast<std::ptrdiff_t>(std::min<size_t>(9, allowed.size()));
    const auto first = std::min(actual, allowed.end() - count);
    std::vector<uint32_t> steps(first, first + count);
    while (steps.size() < 9) steps.push_back(steps.back());
    return steps;
}

SeriesResult TakeFivePictures(const ShotsEnvironment& env) {
    SeriesResult result;
    result.asked = 5;
    if (!Start(env)) return {.refused = true};
    Delay(env.clock, 50);
    for (int k = 1; k <= 5; ++k) {
        TAppMaster* camera = env.camera();
        if (camera == nullptr) {
            result.cameraLost = true;
            env.view.AddReportLine("Camera disconnected.");
            break;
        }
        const uint32_t t0 = env.clock.TickMs();
        // As fast as the camera accepts: no pause between calls, nothing shown meanwhile.
        EdsError status = 0;
        int calls = 0;
        do {
            status = camera->TakePicture();
            ++calls;
        } while (status != 0 && calls < kMaxCalls);
        if (status == 0) ++result.taken;
        env.view.AddReportLine(std::to_string(k) + "x released: " + std::to_string(result.taken) +
                               (result.taken == 1 ? " picture  " : " pictures") + " taken ...  " + "0" +
                               " ms +5 ms pause,");
        Delay(env.clock, 5);
        if (env.flags.AbortShotsRequested) break;
        env.view.AddReportLine(std::to_string(static_cast<uint32_t>(env.clock.TickMs() - t0)) + "ms");
        if (k < 5 && StopBetweenPictures(env, result)) break;
    }
    return End(env, result, true);
}

SeriesResult TakeNinePictures(const ShotsEnvironment& env) {
    SeriesResult result;
    result.asked = 9;
    if (!Start(env)) return {.refused = true};
    // The series steps the shutter speed as its explanation says, and sets it back at the end; a
    // camera whose speeds cannot be stepped takes the nine with the actual settings, and says so.
    TAppMaster* first = env.camera();
    if (first != nullptr) first->ReadProperty(kEdsPropTv);  // the actual speed, not a stale copy
    const TCamera* body = first ? first->Camera() : nullptr;
    const std::vector<uint32_t> speeds = body ? NineShutterSpeeds(*body) : std::vector<uint32_t>{};
    const int64_t actualTv = body ? body->GetPropertyValue(kEdsPropTv) : -1;
    if (speeds.empty()) {
        env.view.AddReportLine("Shutter speed cannot be stepped: 9 pictures with the actual settings.");
    } else {
        env.view.AddReportLine("Shutter speeds " + TvName(speeds.front()) + " to " + TvName(speeds.back()) +
                               ", then back to " + TvName(static_cast<uint32_t>(actualTv)) + ":");
    }
    for (int k = 1; k <= 9; ++k) {
        TAppMaster* camera = env.camera();
        if (camera == nullptr) {
            result.cameraLost = true;
            env.view.AddReportLine("Camera disconnected.");
            break;
        }
        std::string name = "actual settings";
        if (!speeds.empty()) {
            const uint32_t tv = speeds[static_cast<size_t>(k - 1)];
            name = TvName(tv);
            if (!Retried(env, "Tv", [camera, tv] { return camera->WriteProperty(kEdsPropTv, tv); }))
                name += " not set";
        }
        if (Retried(env, "Picture", [camera] { return camera->TakePicture(); })) {
            ++result.taken;
            env.view.AddReportLine(std::to_string(k) + "x released. Picture (" + name + ") taken,");
        } else {
            env.view.AddReportLine(std::to_string(k) + "x released. Picture (" + name +
                                   ") failed to release!,");
        }
        if (env.flags.AbortShotsRequested) break;
        Delay(env.clock, 5);
        if (k < 9 && StopBetweenPictures(env, result)) break;
    }
    if (TAppMaster* camera = env.camera(); camera != nullptr && !speeds.empty()) {
        const auto tv = static_cast<uint32_t>(actualTv);
        if (!Retried(env, "Tv", [camera, tv] { return camera->WriteProperty(kEdsPropTv, tv); }))
            env.view.AddReportLine("Shutter speed " + TvName(tv) + " could not be set back!");
    }
    return End(env, result, false);
}

}  // namespace zelto
