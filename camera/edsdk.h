#pragma once

#include <cstdint>
#include <string>

// The camera library as the camera session sees it: its records, numbers and handler signatures,
// and one abstract method per library function the session calls. Backends: VirtualCamera (always
// built), a libgphoto2 backend, and Canon's EDSDK library loaded while the program runs
// (edsdk_library.h).

namespace zelto {

using EdsError = uint32_t;  // 0 = success; every other value is the library's failure code
using EdsUInt32 = uint32_t;
using EdsInt32 = int32_t;
using EdsUInt64 = uint64_t;
using EdsBool = int32_t;
using EdsPropertyID = uint32_t;
using EdsDataType = uint32_t;
using EdsPropertyEvent = uint32_t;
using EdsObjectEvent = uint32_t;
using EdsStateEvent = uint32_t;

// Opaque references to the library's objects; 0 is the empty reference.
using EdsBaseRef = uintptr_t;
using EdsCameraListRef = EdsBaseRef;
using EdsCameraRef = EdsBaseRef;
using EdsDirectoryItemRef = EdsBaseRef;
using EdsStreamRef = EdsBaseRef;
inline constexpr EdsBaseRef kEdsNoRef = 0;

// Result codes. Only 0 has a meaning the program relies on; the others are what the backends report.
inline constexpr EdsError kEdsErrOk = 0x00000000;
inline constexpr EdsError kEdsErrInternal = 0x00000002;
inline constexpr EdsError kEdsErrNotSupported = 0x00000007;
inline constexpr EdsError kEdsErrFileIO = 0x00000020;
inline constexpr EdsError kEdsErrPropertiesUnavailable = 0x00000050;
inline constexpr EdsError kEdsErrInvalidParameter = 0x00000060;
inline constexpr EdsError kEdsErrInvalidHandle = 0x00000061;
inline constexpr EdsError kEdsErrInvalidIndex = 0x00000063;
inline constexpr EdsError kEdsErrDeviceNotFound = 0x00000080;
inline constexpr EdsError kEdsErrDeviceBusy = 0x00000081;
inline constexpr EdsError kEdsErrDeviceInvalidParameter = 0x00000086;  // the camera refuses the value
inline constexpr EdsError kEdsErrNotInitialized = 0x000000A2;  // library used before initialisation
inline constexpr EdsError kEdsErrCommPortIsInUse = 0x000000C0;  // another program holds the camera
inline constexpr EdsError kEdsErrCommDisconnected = 0x000000C1;
inline constexpr EdsError kEdsErrSessionNotOpen = 0x00002003;
inline constexpr EdsError kEdsErrTakePictureAfNg = 0x00008D01;  // autofocus failed: no picture

// Data types reported by EdsGetPropertySize.
inline constexpr EdsDataType kEdsDataTypeString = 2;
inline constexpr EdsDataType kEdsDataTypeInt32 = 8;
inline constexpr EdsDataType kEdsDataTypeUInt32 = 9;

// Properties.
inline constexpr EdsPropertyID kEdsPropSaveTo = 0x0000000B;
// The body's serial number, a zero-terminated string: what tells two bodies of one model apart.
inline constexpr EdsPropertyID kEdsPropBodyIDEx = 0x00000015;
inline constexpr EdsPropertyID kEdsPropImageQuality = 0x00000100;
inline constexpr EdsPropertyID kEdsPropAEMode = 0x00000400;
inline constexpr EdsPropertyID kEdsPropISOSpeed = 0x00000402;
inline constexpr EdsPropertyID kEdsPropAv = 0x00000405;
inline constexpr EdsPropertyID kEdsPropTv = 0x00000406;
inline constexpr EdsPropertyID kEdsPropAll = 0x0000FFFF;  // the five shooting properties together

// Commands and their options.
inline constexpr EdsUInt32 kEdsCameraStatusUILock = 0;
inline constexpr EdsUInt32 kEdsCameraStatusUIUnLock = 1;
inline constexpr EdsUInt32 kEdsCameraCommandTakePicture = 0;
inline constexpr EdsUInt32 kEdsFileCreateDispositionCreateAlways = 1;
inline constexpr EdsUInt32 kEdsAccessReadWrite = 2;
inline constexpr EdsUInt32 kEdsProgressOptionPeriodically = 2;

// Events.
inline constexpr EdsPropertyEvent kEdsPropertyEventAll = 0x00000100;
inline constexpr EdsPropertyEvent kEdsPropertyEventPropertyChanged = 0x00000101;
inline constexpr EdsPropertyEvent kEdsPropertyEventPropertyDescChanged = 0x00000102;
inline constexpr EdsObjectEvent kEdsObjectEventAll = 0x00000200;
inline constexpr EdsObjectEvent kEdsObjectEventDirItemRequestTransfer = 0x00000208;
inline constexpr EdsStateEvent kEdsStateEventAll = 0x00000300;
inline constexpr EdsStateEvent kEdsStateEventShutdown = 0x00000301;  // the camera is gone (unplugged, off)

// The window messages the handlers post (user message + 1 to + 3).
inline constexpr EdsUInt32 kCameraMessageProperty = 0x401;  // (event, property number)
inline constexpr EdsUInt32 kCameraMessageTransfer = 0x402;  // (event, directory item reference)
inline constexpr EdsUInt32 kCameraMessageProgress = 0x403;  // (percent, cancel flag)

inline constexpr int kEdsMaxName = 256;

// The first 516 bytes of the library's device information.
struct EdsDeviceInfo {
    char szPortName[kEdsMaxName];
    char szDeviceDescription[kEdsMaxName];  // zero-terminated: the camera's name
    EdsUInt32 deviceSubType;                // 0: a camera using the older protocol
};
static_assert(sizeof(EdsDeviceInfo) == 516, "the device information record is 516 bytes");

// A property's allowed values: form, access, number of elements, then the element values.
struct EdsPropertyDesc {
    EdsInt32 form;
    EdsInt32 access;
    EdsInt32 numElements;
    EdsInt32 propDesc[128];
};
static_assert(sizeof(EdsPropertyDesc) == 524, "the property description record is 524 bytes");

// Free space the computer reports to the camera when images stay on the computer side.
struct EdsCapacity {
    EdsInt32 numberOfFreeClusters;
    EdsInt32 bytesPerSector;
    EdsBool reset;
};
static_assert(sizeof(EdsCapacity) == 12, "the capacity record is three 32-bit values");

struct EdsDirectoryItemInfo {
    EdsUInt64 size;
    EdsBool isFolder;
    EdsUInt32 groupID;
    EdsUInt32 option;
    char szFileName[kEdsMaxName];  // zero-terminated unless all 256 characters are used
    EdsUInt32 format;
    EdsUInt32 dateTime;
};

// The three handlers the library calls, on a thread of its own choosing.
using EdsPropertyEventHandler = EdsError (*)(EdsPropertyEvent event, EdsPropertyID property, EdsUInt32 param,
                                             void* context);
using EdsObjectEventHandler = EdsError (*)(EdsObjectEvent event, EdsBaseRef ref, void* context);
using EdsProgressCallback = EdsError (*)(EdsUInt32 percent, void* context, EdsBool* cancel);

// One method per library function the camera session calls. Implementations must accept calls on
// the window's thread while raising events on threads of their own.
class EdsSdk {
public:
    virtual ~EdsSdk() = default;

    virtual EdsError EdsInitializeSDK() = 0;
    virtual EdsError EdsTerminateSDK() = 0;

    virtual EdsError EdsGetCameraList(EdsCameraListRef* outList) = 0;
    virtual EdsError EdsGetChildCount(EdsBaseRef ref, EdsUInt32* outCount) = 0;
    virtual EdsError EdsGetChildAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef* outRef) = 0;
    virtual EdsUInt32 EdsRelease(EdsBaseRef ref) = 0;  // the remaining reference count
    virtual EdsError EdsGetDeviceInfo(EdsCameraRef camera, EdsDeviceInfo* outInfo) = 0;

    virtual EdsError EdsSetPropertyEventHandler(EdsCameraRef camera, EdsPropertyEvent event,
                                                EdsPropertyEventHandler handler, void* context) = 0;
    virtual EdsError EdsSetObjectEventHandler(EdsCameraRef camera, EdsObjectEvent event,
                                              EdsObjectEventHandler handler, void* context) = 0;

    virtual EdsError EdsOpenSession(EdsCameraRef camera) = 0;
    virtual EdsError EdsCloseSession(EdsCameraRef camera) = 0;

    virtual EdsError EdsGetPropertySize(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param,
                                        EdsDataType* outType, EdsUInt32* outSize) = 0;
    virtual EdsError EdsGetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsUInt32 size,
                                        void* outData) = 0;
    virtual EdsError EdsSetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsUInt32 size,
                                        const void* data) = 0;
    virtual EdsError EdsGetPropertyDesc(EdsBaseRef ref, EdsPropertyID property, EdsPropertyDesc* outDesc) = 0;

    virtual EdsError EdsSendStatusCommand(EdsCameraRef camera, EdsUInt32 command, EdsInt32 param) = 0;
    virtual EdsError EdsSendCommand(EdsCameraRef camera, EdsUInt32 command, EdsInt32 param) = 0;
    virtual EdsError EdsSetCapacity(EdsCameraRef camera, EdsCapacity capacity) = 0;

    virtual EdsError EdsGetDirectoryItemInfo(EdsDirectoryItemRef item, EdsDirectoryItemInfo* outInfo) = 0;
    virtual EdsError EdsCreateFileStream(const char* path, EdsUInt32 disposition, EdsUInt32 access,
                                         EdsStreamRef* outStream) = 0;
    virtual EdsError EdsSetProgressCallback(EdsBaseRef ref, EdsProgressCallback callback, EdsUInt32 option,
                                            void* context) = 0;
    virtual EdsError EdsDownload(EdsDirectoryItemRef item, EdsUInt64 size, EdsStreamRef stream) = 0;
    virtual EdsError EdsDownloadComplete(EdsDirectoryItemRef item) = 0;

    // Not a library function: the camera's own text for a setting code that the name tables do not
    // hold, for libraries that make such codes up. Empty when there is none.
    virtual std::string ChoiceText(EdsPropertyID /*property*/, EdsUInt32 /*code*/) const { return {}; }
};

}  // namespace zelto
