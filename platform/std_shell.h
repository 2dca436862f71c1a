#pragma once

#include "camera/run_seams.h"

namespace zelto {

// QtShell without Qt, for the build of the core and zelto-cli alone: starts a batch file detached,
// the file itself being the program's argument ("cmd /c FILE" on Windows, "/bin/sh FILE" elsewhere).
// No shell parses the name.
class StdShell final : public Shell {
  public:
    bool StartBatch(const std::string& path) override;
};

}  // namespace zelto
