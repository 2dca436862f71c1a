#pragma once

// The C functions of Canon's EDSDK library as the program calls them, declared from the records
// and numbers of edsdk.h (the library itself is never linked: EdsdkLibrary finds each function by
// name). The library's own references are pointers; EdsBaseRef has their size, so the calls pass
// them unchanged. On Windows the library uses the __stdcall convention for its functions and for
// the handlers it calls back.

#include "camera/edsdk.h"

#ifdef _WIN32
#define ZELTO_EDSAPI __stdcall
#else
#define ZELTO_EDSAPI
#endif

namespace zelto::edsdk_c {

extern "C" {
using PropertyEventHandler = EdsError(ZELTO_EDSAPI*)(EdsPropertyEvent event, EdsPropertyID property,
                                                     EdsUInt32 param, void* context);
using ObjectEventHandler = EdsError(ZELTO_EDSAPI*)(EdsObjectEvent event, EdsBaseRef ref, void* context);
using StateEventHandler = EdsError(ZELTO_EDSAPI*)(EdsStateEvent event, EdsUInt32 param, void* context);
using ProgressCallback = EdsError(ZELTO_EDSAPI*)(EdsUInt32 percent, void* context, EdsBool* cancel);
}

// X(name, result, parameters) for every library function the program calls.
#define ZELTO_EDSDK_FUNCTIONS(X)                                                                                  \
    X(EdsInitializeSDK, EdsError, ())                                                                             \
    X(EdsTerminateSDK, EdsError, ())                                                                              \
    X(EdsGetCameraList, EdsError, (EdsCameraListRef * outList))                                                   \
    X(EdsGetChildCount, EdsError, (EdsBaseRef ref, EdsUInt32 * outCount))                                         \
    X(EdsGetChildAtIndex, EdsError, (EdsBaseRef ref, EdsInt32 index, EdsBaseRef * outRef))                        \
    X(EdsRelease, EdsUInt32, (EdsBaseRef ref))                                                                    \
    X(EdsGetDeviceInfo, EdsError, (EdsCameraRef camera, EdsDeviceInfo * outInfo))                                 \
    X(EdsSetPropertyEventHandler, EdsError,                                                                       \
      (EdsCameraRef camera, EdsPropertyEvent event, edsdk_c::PropertyEventHandler handler, void* context))        \
    X(EdsSetObjectEventHandler, EdsError,                                                                         \
      (EdsCameraRef camera, EdsObjectEvent event, edsdk_c::ObjectEventHandler handler, void* context))            \
    X(EdsSetCameraStateEventHandler, EdsError,                                                                    \
      (EdsCameraRef camera, EdsStateEvent event, edsdk_c::StateEventHandler handler, void* context))              \
    X(EdsOpenSession, EdsError, (EdsCameraRef camera))                                                            \
    X(EdsCloseSession, EdsError, (EdsCameraRef camera))                                                           \
    X(EdsGetPropertySize, EdsError,                                                                               \
      (EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsDataType * outType, EdsUInt32 * outSize))       \
    X(EdsGetPropertyData, EdsError,                                                                               \
      (EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsUInt32 size, void* outData))                   \
    X(EdsSetPropertyData, EdsError,                                                                               \
      (EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsUInt32 size, const void* data))                \
    X(EdsGetPropertyDesc, EdsError, (EdsBaseRef ref, EdsPropertyID property, EdsPropertyDesc * outDesc))         \
    X(EdsSendStatusCommand, EdsError, (EdsCameraRef camera, EdsUInt32 command, EdsInt32 param))                   \
    X(EdsSendCommand, EdsError, (EdsCameraRef camera, EdsUInt32 command, EdsInt32 param))                         \
    X(EdsSetCapacity, EdsError, (EdsCameraRef camera, EdsCapacity capacity))                                      \
    X(EdsGetDirectoryItemInfo, EdsError, (EdsDirectoryItemRef item, EdsDirectoryItemInfo * outInfo))              \
    X(EdsCreateFileStream, EdsError,                                                                              \
      (const char* path, EdsUInt32 disposition, EdsUInt32 access, EdsStreamRef* outStream))                     \
    X(EdsSetProgressCallback, EdsError,                                                                           \
      (EdsBaseRef ref, edsdk_c::ProgressCallback callback, EdsUInt32 option, void* context))                     \
    X(EdsDownload, EdsError, (EdsDirectoryItemRef item, EdsUInt64 size, EdsStreamRef stream))                     \
    X(EdsDownloadComplete, EdsError, (EdsDirectoryItemRef item))                                                  \
    X(EdsGetEvent, EdsError, ())

// The pointer type of each function: edsdk_c::EdsInitializeSDK_t and so on.
#define ZELTO_EDSDK_POINTER_TYPE(name, result, parameters) using name##_t = result(ZELTO_EDSAPI*) parameters;
extern "C" {
ZELTO_EDSDK_FUNCTIONS(ZELTO_EDSDK_POINTER_TYPE)
}
#undef ZELTO_EDSDK_POINTER_TYPE

}  // namespace zelto::edsdk_c
