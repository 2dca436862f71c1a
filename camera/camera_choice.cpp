#include "camera/camera_choice.h"

#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

bool StartsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

}  // namespace

std::vector<PortCamera> OfferedCameras(const std::vector<PortCamera>& found) {
    std::vector<PortCamera> offered;
    for (const PortCamera& camera : found) {
        if (!StartsWith(camera.port, "disk:")) offered.push_back(camera);
    }
    return offered;
}

int ChosenCamera(const std::vector<PortCamera>& offered, std::string_view port) {
    for (size_t i = 0; i < offered.size(); ++i) {
        if (port.empty() ? StartsWith(offered[i].port, "usb:") : offered[i].port == port) return static_cast<int>(i);
    }
    return -1;
}

std::string PortPath(std::string_view setting) {
    std::string path = Trimmed(setting);
    if (!IsNetworkPort(path)) return path;
    // ptpip:HOST[:PORT[:EVENTPORT]]
    const size_t hostEnd = path.find(':', 6);
    if (hostEnd == std::string::npos) return path;
    if (path.find(':', hostEnd + 1) != std::string::npos) return path;
    return path + path.substr(hostEnd);
}

bool IsNetworkPort(std::string_view port) { return StartsWith(port, "ptpip:"); }

std::string CameraTextLine(CameraTextKind kind, const std::string& text) {
    std::string line = kind == CameraTextKind::Error    ? "Camera error: "
                       : kind == CameraTextKind::Status ? "Camera status: "
                                                        : "Camera message: ";
    // libgphoto2's texts may run over several lines; the status bar and the log take one.
    for (char c : Trimmed(text)) line += c == '\r' || c == '\n' || c == '\t' ? ' ' : c;
    return line;
}

CameraChoice* CameraChoiceOf(EdsSdk& sdk) { return dynamic_cast<CameraChoice*>(&sdk); }

}  // namespace zelto
