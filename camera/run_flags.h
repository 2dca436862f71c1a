#pragma once

// The flags through which the windows stop a test series or a run and the runs learn the options
// they follow.

namespace zelto {

// What the camera is busy with. A test series, the real run and the test run exclude each other:
// each starts only while nothing else goes on, and puts None back when it ends.
enum class CameraActivity { None, Series, Run, TestRun };

struct RunFlags {
    bool AbortShotsRequested = false;
    bool AbortTestRequested = false;
    bool AbortRunRequested = false;
    bool SimulationMode = false;
    bool SpokenCommands = true;  // the "Spoken commands" option: runs play their sound rows only while on
    CameraActivity Activity = CameraActivity::None;
};

// The text shown when a series or run is asked for while another one goes on.
inline constexpr const char* kCameraBusyText = "A test series or run is already going on";

}  // namespace zelto
