#pragma once

// What the window tests share: a fresh program state, finding controls by name, contrast.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include <QImage>
#include <QObject>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>

#include "camera/run_seams.h"
#include "camera/sound_player.h"
#include "state/variables.h"
#include "window_dialogs/window_fit.h"

namespace zelto {

// The laptop screen the windows must fit.
inline const QSize kLaptop(1366, 768);

// The window as a 1366 × 768 screen would show it: at the top left, under a title bar
// (scripts/screenshot.sh).
inline void SaveOnLaptopScreen(QWidget& window, const QString& path) {
    QImage screen(kLaptop, QImage::Format_RGB32);
    screen.fill(QColor(58, 64, 72));
    QPainter painter(&screen);
    const QRect titleBar(0, 0, window.width() + kWindowFrame.width(), kWindowFrame.height());
    painter.fillRect(titleBar, QColor(32, 36, 44));
    painter.setPen(Qt::white);
    painter.drawText(titleBar.adjusted(10, 0, 0, 0), Qt::AlignVCenter, window.windowTitle());
    painter.drawPixmap(kWindowFrame.width() / 2, kWindowFrame.height(), window.grab());
    painter.end();
    screen.save(path);
}

// Clears what a window test changes in the shared state; the compiled catalog stays.
inline void ResetSharedState(SharedVariables& shared) {
    shared.flags = RunFlags{};
    shared.time = TimeSource{};
    EclipseState fresh;
    fresh.EclipseCatalog = shared.eclipse.EclipseCatalog;
    shared.eclipse = fresh;
    shared.site = SiteInputs{};
    shared.contacts = ContactState{};
}

// The shared state reset, its folders in `home` and the documents in home/Documents/.
inline SharedVariables& SharedStateIn(const QTemporaryDir& home) {
    const std::string base = home.path().toStdString() + "/";
    std::filesystem::create_directories(base + "Documents");
    SharedVariables& shared = Shared();
    shared.folders = {base, base + "Documents/", base, base, base};
    ResetSharedState(shared);
    return shared;
}

// A shell that starts no batch file and says it did.
struct Batches final : Shell {
    bool StartBatch(const std::string&) override { return true; }
};

// A sound player that plays nothing.
class Silent final : public SoundPlayer {
  public:
    void Play(const std::string&) override {}
};

// A window's control by its object name; a missing one fails the test.
template <typename W>
W* FindControl(const QObject& window, const char* name) {
    W* widget = window.findChild<W*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// The contrast ratio of two of the windows' colours.
inline double ContrastRatio(const QColor& a, const QColor& b) {
    const auto rgb = [](const QColor& c) {
        return Rgb{static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue())};
    };
    return ContrastRatio(rgb(a), rgb(b));
}

}  // namespace zelto
