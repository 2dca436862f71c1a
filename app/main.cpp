// The program: start-up of the shared state, then the windows, then the event loop until the main
// window closes.
#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "camera/backend.h"
#include "camera/camera_set.h"
#include "camera/virtual_camera.h"
#include "camera/virtual_faults.h"
#include "camera_window/form_camera.h"
#include "circumstances/parameter_file.h"
#include "day_view/form_day_view.h"
#include "eclipse_data/clock.h"
#include "exposure_window/form_exposure.h"
#include "main_window/form_main.h"
#include "platform/camera_port_system.h"
#include "platform/computer_info.h"
#include "platform/desktop_awake.h"
#include "platform/kernel_clock.h"
#ifdef ZELTO_HAVE_LIBGPS
#include "platform/gpsd_monitor.h"
#endif
#include "platform/qt_shell.h"
#include "platform/qt_sound_player.h"
#include "state/startup.h"
#include "state/variables.h"
#include "window_dialogs/window_fit.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The title "Zelto". No display name: the window system would append it to every caption
    // ("Zelto - Camera Form — Zelto") and to every message box's caption.
    QApplication::setApplicationName("Zelto");
    // The installed menu entry's name (resources/org.zelto.Zelto.desktop): the desktop matches the
    // windows to it, and the icon of that name shows in the title bar and the task bar.
    QGuiApplication::setDesktopFileName("org.zelto.Zelto");
    QApplication::setWindowIcon(QIcon::fromTheme("org.zelto.Zelto"));

    zelto::SharedVariables& shared = zelto::Shared();
    zelto::StartUp(shared, zelto::QuerySystemLocations());

    // A bad day rehearsed on the virtual camera: ZELTO_VIRTUAL_FAULTS=SPEC (see README). An item that
    // names a camera kept on the "Cameras" page ("unplug@Wide:19+3") is rehearsed on that camera, one
    // without a name on every camera.
    std::optional<zelto::VirtualFaultPlan> faults;
    zelto::BodyFaultReading otherCameraFaults;
    if (const std::string spec = zelto::VirtualFaultsSetting(); !spec.empty()) {
        std::vector<std::string> names{""};  // "": the camera window's own
        for (const zelto::KeptCamera& kept :
             zelto::ReadOptionsFile(shared.folders.AppDataFolder + zelto::kOptionsFileName).Cameras)
            names.push_back(kept.name);
        otherCameraFaults = zelto::ReadBodyFaults(spec, names);
        if (!otherCameraFaults.error.empty()) {
            QMessageBox::critical(nullptr, "Zelto",
                                  QString::fromStdString("ZELTO_VIRTUAL_FAULTS: " + otherCameraFaults.error));
            return 2;
        }
        if (const auto own = otherCameraFaults.plans.find(""); own != otherCameraFaults.plans.end())
            faults = own->second;
    }

    // The services the windows use live here, after the application object and before the windows, so
    // that they end after the windows and before the application: a sound effect that outlived the
    // application would free its audio objects after Qt Multimedia had gone.
    zelto::SystemClock clock;
    zelto::QtSoundPlayer sound;
    zelto::QtShell shell;
    // The clock check asks the kernel; the GPS item and the clock's GPS offset come from gpsd.
    zelto::KernelClockStatusSource clockStatus;
#ifdef ZELTO_HAVE_LIBGPS
    zelto::GpsdMonitor gps;
#endif
    // The laptop through the eclipse: logind and the screen saver keep it awake, UPower tells the battery.
    zelto::DesktopAwakeService awake;
    zelto::UPowerBatterySource battery;
    // The camera's USB port: its autosuspend read from sysfs, the desktop's mounter released through gio.
    zelto::SysfsUsbPowerReader usbPower;
    zelto::GioMountReleaser mounter;
    // The camera library chosen by ZELTO_CAMERA, made when the camera is first connected; a backend
    // that cannot be made falls back to one that finds no camera, and the camera window says why in
    // the words zelto-cli prints. The fault injector drives the backend's body, so it ends first.
    // Every call has a deadline (DeadlineSdk): while one waits, the windows keep working.
    std::unique_ptr<zelto::DeadlineSdk> cameraLibrary;
    std::unique_ptr<zelto::VirtualFaultInjector> injector;

    // Windows in the order main, camera, exposure table.
    zelto::TForm_Main main(shared, clock, sound);
    main.SetClockStatusSource(&clockStatus);
    main.SetAwakeService(&awake);
    main.SetBatterySource(&battery);
#ifdef ZELTO_HAVE_LIBGPS
    main.SetGpsSource(&gps);
#endif
    zelto::TForm_Camera* cameraWindow = nullptr;  // made below, after the day view it reports to
    zelto::TForm_DayView dayView(
        {shared, clock, [&main] { return main.dayFacts(); }, [&main](bool on) { main.SetNightMode(on); },
         [&cameraWindow](zelto::RunKind kind) {
             if (!cameraWindow) return;
             kind == zelto::RunKind::Real ? cameraWindow->OnAbortRun() : cameraWindow->OnAbortTestRun();
         },
         [&cameraWindow] {
             if (cameraWindow) cameraWindow->SwitchToCloudPlan();
         }},
        main.NightMode());
    zelto::TForm_Camera camera(
        {shared, clock, sound, shell,
         [&cameraLibrary, &injector, &faults, &camera]() -> zelto::EdsSdk& {
             if (!cameraLibrary) {
                 zelto::CameraBackend backend = zelto::MakeCameraBackendFromEnvironment();
                 if (!backend.error.empty()) camera.ShowMessage(backend.error);
                 auto* body = dynamic_cast<zelto::VirtualCamera*>(backend.sdk.get());
                 if (body != nullptr && backend.name == "virtual" && faults) {
                     injector = std::make_unique<zelto::VirtualFaultInjector>(*body, *faults);
                     if (faults->slowerMs > 0) {
                         zelto::UseSimulatedBodyTimes(
                             *body,
                             [](double ms) {
                                 std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
                             },
                             faults->slowerMs);
                     }
                 }
                 cameraLibrary = zelto::WithCallDeadlines(std::move(backend));
                 cameraLibrary->SetWaitTurn([] { QCoreApplication::processEvents(); });
             }
             return *cameraLibrary;
         },
         [&shared] { return zelto::QueryComputerInformation(shared.folders); },
         [&injector](int row) {
             if (injector) injector->RowStarting(row);
         },
         [&cameraLibrary] { return cameraLibrary && cameraLibrary->Waiting(); }, &usbPower, &mounter,
         [&dayView](const std::optional<zelto::RunProgress>& progress) { dayView.ShowRun(progress); },
         [&dayView](const std::string& windowCamera, const std::vector<std::string>& lines, bool running) {
             dayView.ShowOtherCameras(windowCamera, lines, running);
         },
         otherCameraFaults});
    cameraWindow = &camera;
    main.SetNightModeChanged([&dayView](bool on) { dayView.SetNightMode(on); });
    zelto::TForm_Exposure exposure(shared, main);
    // "Form Size" scales every window's fonts, each kept inside its screen.
    main.SetFormSizeChosen([&camera, &exposure](zelto::FormSize size) {
        camera.SetFormSize(size, zelto::ScreenRoom(&camera));
        exposure.SetFormSize(size, zelto::ScreenRoom(&exposure));
    });
    // The runs carry out the table the exposure window holds and edits.
    camera.SetExposureTable(&exposure.table());
    camera.SetExposureTableSite(&exposure.tableSite());

    main.cameraItem()->setEnabled(true);
    QObject::connect(main.cameraItem(), &QAction::triggered, &camera, [&camera] {
        camera.show();
        camera.raise();
    });
    QObject::connect(main.dayViewItem(), &QAction::triggered, &dayView, [&dayView] {
        dayView.show();
        dayView.raise();
    });
    main.exposureTablesItem()->setEnabled(true);
    QObject::connect(main.exposureTablesItem(), &QAction::triggered, &exposure,
                     [&exposure] { exposure.OpenWindow(); });
    // Closing the program closes the camera window too: any run stops and the camera is disconnected.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &camera, [&camera] { camera.close(); });

    main.show();
    return app.exec();
}
