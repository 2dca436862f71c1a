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

// WCAG 2 contrast ratio of two colours: (L1 + 0.05) / (L2 + 0.05) of their relative luminances.
inline double ContrastRatio(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto linear = [](int channel) {
            const double v = channel / 255.0;
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace zelto
