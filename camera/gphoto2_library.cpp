#include <gphoto2/gphoto2.h>

#include <cstdlib>

#include "camera/gphoto2_port.h"

// The port on the installed libgphoto2. Built only when the library is found.

namespace zelto {

namespace {

class LibGphoto2Port final : public Gphoto2Port {
public:
    LibGphoto2Port() : context_(gp_context_new()) {}
    ~LibGphoto2Port() override {
        Close();
        if (context_ != nullptr) gp_context_unref(context_);
    }

    int Detect(std::string* model) override {
        CameraList* list = nullptr;
        int result = gp_list_new(&list);
        if (result < GP_OK) return result;
        result = gp_camera_autodetect(list, context_);
        if (result >= GP_OK && gp_list_count(list) <= 0) result = GP_ERROR_MODEL_NOT_FOUND;
        if (result >= GP_OK) {
            const char* name = nullptr;
            const char* port = nullptr;
            gp_list_get_name(list, 0, &name);
            gp_list_get_value(list, 0, &port);
            model_ = name != nullptr ? name : "";
            port_ = port != nullptr ? port : "";
            if (model != nullptr) *model = model_;
            result = GP_OK;
        }
        gp_list_free(list);
        return result;
    }

    int Open() override {
        if (camera_ != nullptr) return GP_OK;
        if (model_.empty()) return GP_ERROR_MODEL_NOT_FOUND;
        int result = gp_camera_new(&camera_);
        if (result < GP_OK) return result;
        // gp_camera_init picks the first camera it finds, which is the one Detect reported.
        result = gp_camera_init(camera_, context_);
        if (result < GP_OK) {
            gp_camera_unref(camera_);
            camera_ = nullptr;
        }
        return result;
    }

    void Close() override {
        if (camera_ == nullptr) return;
        gp_camera_exit(camera_, context_);
        gp_camera_unref(camera_);
        camera_ = nullptr;
    }

    int GetWidget(const std::string& name, Gphoto2Widget* out) override {
        if (camera_ == nullptr) return GP_ERROR_IO;
        CameraWidget* widget = nullptr;
        int result = gp_camera_get_single_config(camera_, name.c_str(), &widget, context_);
        if (result < GP_OK) return result;
        CameraWidgetType type{};
        gp_widget_get_type(widget, &type);
        if (type != GP_WIDGET_RADIO && type != GP_WIDGET_MENU) {
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

private:
    GPContext* context_ = nullptr;
    Camera* camera_ = nullptr;
    std::string model_;
    std::string port_;
};

}  // namespace

std::unique_ptr<Gphoto2Port> MakeLibGphoto2Port() { return std::make_unique<LibGphoto2Port>(); }

}  // namespace zelto
