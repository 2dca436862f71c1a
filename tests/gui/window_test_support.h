#pragma once

// What the window tests share: a fresh program state, finding controls by name, contrast.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <QObject>

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
