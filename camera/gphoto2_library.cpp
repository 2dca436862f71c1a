#include <gphoto2/gphoto2.h>
#include <signal.h>

#include <cstdlib>

#include "camera/gphoto2_port.h"

// The port on the installed libgphoto2. Built only when the library is found.

namespace zelto {

namespace {

// A write on a PTP/IP link the camera has closed raises SIGPIPE, which would end the program; with
// the signal blocked on the thread that talks to the camera the write fails and libgphoto2 reports
// the broken link as an error instead. SIGPIPE is sent to the writing thread, so no other thread of
// the program is affected.
void KeepBrokenLinksFromEndingTheProgram() {
    thread_local bool blocked = false;
    if (blocked) return;
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    blocked = pthread_sigmask(SIG_BLOCK, &pipe, nullptr) == 0;
}

class LibGphoto2Port final : public Gphoto2Port {
public:
    LibGphoto2Port() : context_(gp_context_new()) {
        gp_context_set_error_func(context_, &LibGphoto2Port::OnError, this);
        gp_context_set_status_func(context_, &LibGphoto2Port::OnStatus, this);
        gp_context_set_message_func(context_, &LibGphoto2Port::OnMessage, this);
    }
    ~LibGphoto2Port() override {
        Close();
        if (abilities_ != nullptr) gp_abilities_list_free(abilities_);
        if (ports_ != nullptr) gp_port_info_list_free(ports_);
        if (context_ != nullptr) gp_context_unref(context_);
    }

    int Detect(std::vector<PortCamera>* found) override {
        found->clear();
        CameraList* list = nullptr;
        int result = gp_list_new(&list);
        if (result < GP_OK) return result;
        result = gp_camera_autodetect(list, context_);
        for (int i = 0; result >= GP_OK && i < gp_list_count(list); ++i) {
            const char* model = nullptr;
            const char* port = nullptr;
            gp_list_get_name(list, i, &model);
            gp_list_get_value(list, i, &port);
            if (model != nullptr && port != nullptr) found->push_back({model, port});
        }
        gp_list_free(list);
        return result < GP_OK ? result : GP_OK;
    }

    int Open(const PortCamera& camera) override {
        if (camera_ != nullptr) return GP_OK;
        KeepBrokenLinksFromEndingTheProgram();
        int result = LoadLists();
        if (result < GP_OK) return result;
        // The camera is the one chosen: its abilities and port are set, so that gp_camera_init does not
        // detect again on its own (and take whatever it finds first, a disk: folder included).
        CameraAbilities abilities{};
        const int model = gp_abilities_list_lookup_model(abilities_, camera.model.c_str());
        if (model < GP_OK) return GP_ERROR_MODEL_NOT_FOUND;
        gp_abilities_list_get_abilities(abilities_, model, &abilities);
        const int path = gp_port_info_list_lookup_path(ports_, camera.port.c_str());
        if (path < GP_OK) return path;
        GPPortInfo info{};
        gp_port_info_list_get_info(ports_, path, &info);

        result = gp_camera_new(&camera_);
        if (result < GP_OK) return result;
        result = gp_camera_set_abilities(camera_, abilities);
        if (result >= GP_OK) result = gp_camera_set_port_info(camera_, info);
        if (result >= GP_OK) result = gp_camera_init(camera_, context_);
        if (result < GP_OK) {
            gp_camera_unref(camera_);
            camera_ = nullptr;
            return result;
        }
        abilitiesModel_ = camera.model;
        return GP_OK;
    }

    void Close() override {
        if (camera_ == nullptr) return;
        gp_camera_exit(camera_, context_);
        gp_camera_unref(camera_);
        camera_ = nullptr;
    }

    int ModelName(std::string* name) override {
        if (camera_ == nullptr) return GP_ERROR_IO;
        // The ptp2 driver's read-only "cameramodel" text holds the model of the body's device information.
        CameraWidget* widget = nullptr;
        const char* model = nullptr;
        if (gp_camera_get_single_config(camera_, "cameramodel", &widget, context_) >= GP_OK &&
            gp_widget_get_value(widget, &model) >= GP_OK && model != nullptr && *model != '\0') {
            *name = model;
        } else {
            *name = abilitiesModel_;
        }
        if (widget != nullptr) gp_widget_free(widget);
        return GP_OK;
    }

    int GetWidget(const std::string& name, Gphoto2Widget* out) override {
        if (camera_ == nullptr) return GP_ERROR_IO;
        CameraWidget* widget = nullptr;
        int result = gp_camera_get_single_config(camera_, name.c_str(), &widget, context_);
        if (result < GP_OK) return result;
        CameraWidgetType type{};
        gp_widget_get_type(widget, &type);
        // A text widget (the serial number) has a value and no choices.
        if (type != GP_WIDGET_RADIO && type != GP_WIDGET_MENU && type != GP_WIDGET_TEXT) {
            gp_widget_free(widget);
            return GP_ERROR_NOT_SUPPORTED;
        }
        const char* value = nullptr;
        result = gp_widget_get_value(widget, &value);
        out->value = value != nullptr ? value : "";  // copied before the widget is freed
        out->choices.clear();
        const int count = gp_widget_count_choices(widget);
        for (int i = 0; i < count; ++i) {
            const char* choice = nullptr;
            if (gp_widget_get_choice(widget, i, &choice) >= GP_OK && choice != nullptr) out->choices.emplace_back(choice);
        }
        gp_widget_free(widget);
        return result < GP_OK ? result : GP_OK;
    }

    int SetWidget(const std::string& name, const std::string& value) override {
        if (camera_ == nullptr) return GP_ERROR_IO;
        CameraWidget* widget = nullptr;
        int result = gp_camera_get_single_config(camera_, name.c_str(), &widget, context_);
        if (result < GP_OK) return result;
        result = gp_widget_set_value(widget, value.c_str());
        if (result >= GP_OK) result = gp_camera_set_single_config(camera_, name.c_str(), widget, context_);
        gp_widget_free(widget);
        return result < GP_OK ? result : GP_OK;
    }

    int Capture() override {
        if (camera_ == nullptr) return GP_ERROR_IO;
        CameraFilePath path{};
        const int result = gp_camera_capture(camera_, GP_CAPTURE_IMAGE, &path, context_);
        return result < GP_OK ? result : GP_OK;
    }

    int WaitForEvent(int timeoutMs, Gphoto2Event* out) override {
        if (camera_ == nullptr) return GP_ERROR_IO;
        CameraEventType type = GP_EVENT_TIMEOUT;
        void* data = nullptr;
        const int result = gp_camera_wait_for_event(camera_, timeoutMs, &type, &data, context_);
        out->text.clear();
        switch (type) {
            case GP_EVENT_TIMEOUT: out->type = Gphoto2EventType::Timeout; break;
            case GP_EVENT_UNKNOWN:
                out->type = Gphoto2EventType::Unknown;
                if (data != nullptr) out->text = static_cast<const char*>(data);
                break;
            case GP_EVENT_FILE_ADDED:
            case GP_EVENT_FOLDER_ADDED: {
                out->type = type == GP_EVENT_FILE_ADDED ? Gphoto2EventType::FileAdded : Gphoto2EventType::FolderAdded;
                const auto* path = static_cast<const CameraFilePath*>(data);
                if (path != nullptr) out->text = std::string(path->folder) + "/" + path->name;
                break;
            }
            case GP_EVENT_CAPTURE_COMPLETE: out->type = Gphoto2EventType::CaptureComplete; break;
            default: out->type = Gphoto2EventType::Other; break;
        }
        std::free(data);  // the caller owns the event data
        return result < GP_OK ? result : GP_OK;
    }

    void SetTextHandler(std::function<void(CameraTextKind, const std::string&)> handler) override {
        textHandler_ = std::move(handler);
    }

private:
    // The driver and port lists, read once: loading every camera driver takes a quarter of a second.
    int LoadLists() {
        if (abilities_ == nullptr) {
            int result = gp_abilities_list_new(&abilities_);
            if (result >= GP_OK) result = gp_abilities_list_load(abilities_, context_);
            if (result < GP_OK) {
                if (abilities_ != nullptr) gp_abilities_list_free(abilities_);
                abilities_ = nullptr;
                return result;
            }
        }
        if (ports_ == nullptr) {
            int result = gp_port_info_list_new(&ports_);
            if (result >= GP_OK) result = gp_port_info_list_load(ports_);
            if (result < GP_OK) {
                if (ports_ != nullptr) gp_port_info_list_free(ports_);
                ports_ = nullptr;
                return result;
            }
        }
        return GP_OK;
    }

    void Say(CameraTextKind kind, const char* text) {
        if (textHandler_ && text != nullptr && *text != '\0') textHandler_(kind, text);
    }
    static void OnError(GPContext*, const char* text, void* port) {
        static_cast<LibGphoto2Port*>(port)->Say(CameraTextKind::Error, text);
    }
    static void OnStatus(GPContext*, const char* text, void* port) {
        static_cast<LibGphoto2Port*>(port)->Say(CameraTextKind::Status, text);
    }
    static void OnMessage(GPContext*, const char* text, void* port) {
        static_cast<LibGphoto2Port*>(port)->Say(CameraTextKind::Message, text);
    }

    GPContext* context_ = nullptr;
    CameraAbilitiesList* abilities_ = nullptr;
    GPPortInfoList* ports_ = nullptr;
    Camera* camera_ = nullptr;
    std::string abilitiesModel_;
    std::function<void(CameraTextKind, const std::string&)> textHandler_;
};

}  // namespace

std::unique_ptr<Gphoto2Port> MakeLibGphoto2Port() { return std::make_unique<LibGphoto2Port>(); }

}  // namespace zelto
