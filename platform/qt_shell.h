#pragma once

#include "camera/run_seams.h"

namespace zelto {

// Starts a batch file detached, the file itself being the program's argument: "/bin/sh FILE" on
// Linux and macOS, "cmd /c FILE" on Windows. No shell parses the name.
class QtShell final : public Shell {
  public:
    bool StartBatch(const std::string& path) override;
};

}  // namespace zelto
