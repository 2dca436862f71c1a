#pragma once

// The flags through which the windows stop a test series or a run and the runs learn the options
// they follow.

namespace zelto {

struct RunFlags {
    bool AbortShotsRequested = false;
    bool AbortTestRequested = false;
    bool AbortRunRequested = false;
    bool SimulationMode = false;
    bool SpokenCommands = true;  // the "Spoken commands" option: runs play their sound rows only while on
};

}  // namespace zelto
