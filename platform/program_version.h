#pragma once

#include <string>

#include "eclipse_data/program_values.h"

namespace zelto {

// The version information built into this program, for its executable file named originalFileName
// (the name without folders) of the type fileType. Both ReadVersionInfo implementations use it.
TFileVersionInfo BuiltVersionInfo(const std::string& fileType, const std::string& originalFileName);

}  // namespace zelto
