#pragma once

// What the window tests share: a fresh program state, finding controls by name, contrast.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include <QObject>
#include <QTemporaryDir>

#include "camera/run_seams.h"
#include "camera/sound_player.h"
#include "state/variables.h"

namespace zelto {

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
