#include "state/startup.h"

namespace zelto {

void StartUp(SharedVariables& shared, const SystemLocations& locations) {
    shared.folders = MakeWorkingFolders(locations);
    shared.camera.CameraName.clear();
    shared.program.ProgramVersion = ReadVersionInfo(locations.programFile);
    shared.program.VersionText = VersionTextOf(shared.program.ProgramVersion);
    shared.flags = RunFlags{};
    shared.time.TimeOffset = 0;
    shared.eclipse.EclipseCatalog = BuiltInCatalog();
}

}  // namespace zelto
