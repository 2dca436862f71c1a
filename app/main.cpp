// The program: start-up of the shared state, then the windows, then the event loop until the main
// window closes.
#include <QApplication>
#include <QMessageBox>

#include "eclipse_data/clock.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/variables.h"
#include "main_window/form_main.h"
#include "platform/qt_sound_player.h"
#include "platform/startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zelto");
    QApplication::setApplicationDisplayName("Zelto");

    zelto::SharedVariables& shared = zelto::Shared();
    zelto::StartUp(shared, zelto::QuerySystemLocations());

    // Unreadable data ends the program through one message box.
    zelto::SetFatalDataHandler([](const std::string& caption, const std::string& text) {
        QMessageBox::critical(nullptr, QString::fromStdString(caption), QString::fromStdString(text));
    });

    static zelto::SystemClock clock;
    static zelto::QtSoundPlayer sound;
    // Windows in the order main, camera, exposure table; the camera and exposure windows join later.
    zelto::TForm_Main main(shared, clock, sound);
    main.show();
    return app.exec();
}
