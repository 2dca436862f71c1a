#pragma once

#include "platform/system_locations.h"
#include "state/variables.h"

namespace zelto {

// Prepares the shared state before any window exists: working folders (created with their parents;
// a folder that cannot be created is not fatal), CameraName, version information, run flags,
// TimeOffset and the catalog. Running it again changes nothing.
void StartUp(SharedVariables& shared, const SystemLocations& locations);

}  // namespace zelto
