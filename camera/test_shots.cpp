#include "camera/test_shots.h"

#include "camera/appmaster.h"

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

}  // namespace

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
    for (int k = 1; k <= 9; ++k) {
        TAppMaster* camera = env.camera();
        if (camera == nullptr) {
            result.cameraLost = true;
            env.view.AddReportLine("Camera disconnected.");
            break;
        }
        int trials = 0;
        EdsError status = 0;
        do {
            ++trials;
            status = camera->TakePicture();
            Delay(env.clock, 15);
            env.view.SetStatus("Status=" + std::to_string(status) + " " + "Trials=" + std::to_string(trials) +
                               " ");
        } while (status != 0 && trials < kMaxCalls);
        if (status == 0) {
            ++result.taken;
            env.view.AddReportLine(std::to_string(k) + "x released. Picture (" + ") taken,");
        } else {
            env.view.AddReportLine(std::to_string(k) + "x released. Picture (" + ") failed to release!,");
        }
        if (env.flags.AbortShotsRequested) break;
        Delay(env.clock, 5);
        if (k < 9 && StopBetweenPictures(env, result)) break;
    }
    return End(env, result, false);
}

}  // namespace zelto
