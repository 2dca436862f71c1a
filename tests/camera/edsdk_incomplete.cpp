// A library that offers EdsInitializeSDK and nothing else of Canon's SDK: an older or broken SDK
// that the EDSDK backend must refuse by name instead of calling what is not there.
#include "camera/edsdk_functions.h"

#ifdef _WIN32
#define ZELTO_STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
#define ZELTO_STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

ZELTO_STANDIN_EXPORT zelto::EdsError ZELTO_EDSAPI EdsInitializeSDK() { return zelto::kEdsErrOk; }
