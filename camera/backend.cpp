#include "camera/backend.h"

#include <cstdlib>

#include "camera/edsdk_library.h"
#include "camera/gphoto2_sdk.h"
#include "camera/virtual_camera.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

CameraBackend MakeCameraBackend(std::string_view name) { return MakeCameraBackend(name, CameraPortSetting()); }

std::string CameraBackendName(std::string_view setting) {
    const std::string name = LowerAscii(Trimmed(setting));
    if (!name.empty()) return name;
#ifdef ZELTO_HAVE_GPHOTO2_BACKEND
    return "gphoto2";
#else
    return "none";
#endif
}

CameraBackend MakeCameraBackend(std::string_view name, const std::string& port) {
    CameraBackend backend;
    backend.name = CameraBackendName(name);
    if (backend.name == "virtual" || backend.name == "none") {
        auto library = std::make_unique<VirtualCamera>();
        library->SetCallLog(false);  // a program run would otherwise keep every call
        library->SetAttached(backend.name == "virtual");
        backend.sdk = std::move(library);
    } else if (backend.name == "gphoto2") {
#ifdef ZELTO_HAVE_GPHOTO2_BACKEND
        backend.port = port;
        backend.sdk = std::make_unique<Gphoto2Sdk>(MakeLibGphoto2Port(), port);
#else
        backend.error = "The gphoto2 camera backend is not built into this program (libgphoto2 was not found).";
#endif
    } else if (backend.name == "edsdk") {
        backend.sdk = EdsdkLibrary::Load(EdsdkPathSetting(), &backend.error);
    } else {
        backend.error =
            "Unknown camera backend \"" + backend.name + "\" in ZELTO_CAMERA (use virtual, gphoto2, edsdk or none).";
    }
    return backend;
}

CameraBackend MakeCameraBackendOrNone(std::string_view name) {
    CameraBackend backend = MakeCameraBackend(name);
    if (backend.sdk) return backend;
    CameraBackend none = MakeCameraBackend("none");
    none.error = backend.error;
    return none;
}

std::string CameraBackendSetting() {
    const char* value = std::getenv("ZELTO_CAMERA");
    return value != nullptr ? std::string(value) : std::string();
}

std::string CameraPortSetting() {
    const char* value = std::getenv("ZELTO_CAMERA_PORT");
    return value != nullptr ? std::string(value) : std::string();
}

std::string EdsdkPathSetting() {
    const char* value = std::getenv("ZELTO_EDSDK_PATH");
    return value != nullptr ? Trimmed(value) : std::string();
}

std::string VirtualFaultsSetting() {
    const char* value = std::getenv("ZELTO_VIRTUAL_FAULTS");
    return value != nullptr ? Trimmed(value) : std::string();
}

CameraBackend MakeCameraBackendFromEnvironment() { return MakeCameraBackendOrNone(CameraBackendSetting()); }

std::unique_ptr<DeadlineSdk> WithCallDeadlines(CameraBackend backend) {
    DeadlineSdk::Factory fresh;
    // A library given up while stuck in a call is replaced by a fresh one on the same setting.
    if (backend.name == "gphoto2" || backend.name == "edsdk") {
        fresh = [name = backend.name, port = backend.port] { return MakeCameraBackend(name, port).sdk; };
    }
    return std::make_unique<DeadlineSdk>(std::move(backend.sdk), std::move(fresh));
}

}  // namespace zelto
