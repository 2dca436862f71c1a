#pragma once

#include "camera/camera.h"
#include "camera/run_flags.h"
#include "circumstances/contact_display.h"
#include "circumstances/site.h"
#include "eclipse_data/clock.h"
#include "eclipse_data/eclipse_state.h"
#include "eclipse_data/program_values.h"

// The program's process-wide state: the structs of each concern, declared beside the code they
// belong to, gathered here for the program and its windows. Everything lives for the whole run; a
// test resets a concern by assigning a fresh struct. Core code takes only the struct it needs.

namespace zelto {

struct SharedVariables {
    WorkingFolders folders;
    ProgramState program;
    RunFlags flags;
    TimeSource time;
    EclipseState eclipse;
    SiteInputs site;
    ContactState contacts;
    CameraState camera;
};

// The one instance. The catalog is filled before first use.
SharedVariables& Shared();

}  // namespace zelto
