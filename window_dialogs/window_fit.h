#pragma once

#include <QColor>
#include <QSize>

class QScrollArea;
class QWidget;

// What every window shares to fit a laptop screen: the three form sizes as a scale of fonts, a
// window sized to its layout but never beyond the screen, and night mode.

namespace zelto {

enum class FormSize { Normal, Large, Small };

// The scale of fonts (and the maps) a form size stands for: 1, 3/2 or 2/3.
double FontScale(FormSize size);

// The room a window may take: the available area of the screen it is on (or of the primary screen),
// 1366 × 768 when there is no screen.
QSize ScreenRoom(const QWidget* window);

// Sets the font of `root` and of every widget under it to the point size it had when first scaled,
// times `scale`. Widgets added later are scaled at the next call.
void ScaleFonts(QWidget* root, double scale);

// Room kept around a window for the title bar and the frame the window manager adds.
inline constexpr QSize kWindowFrame{8, 32};

// Resizes a top-level window to what its layout asks for, never beyond `room` with the frame's title
// bar counted in, and keeps it on its screen; what does not fit is reached by scrolling (see
// ScrollingClient).
void FitToRoom(QWidget* window, QSize room);

// Moves a window up and left as far as it must to lie, frame and all, inside its screen.
void KeepOnScreen(QWidget* window);

// A frameless scroll area around `content` that stretches it to the area's size: the window can shrink
// to the screen while the content keeps the room its layout needs.
QScrollArea* ScrollingClient(QWidget* content, const char* name);

// Night mode for every window of the program: red text on black, nothing white; images marked with
// MarkAsImage are tinted red.
void ApplyNightMode(bool on);
bool NightModeOn();
void MarkAsImage(QWidget* image);

// The colours a window gives its controls itself, as the mode in force has them: by day as asked, at
// night the night red for text and black for backgrounds.
QColor TextColourInMode(const QColor& day);
QColor BackgroundInMode(const QColor& day);

// The night colours: text and the dimmer text of disabled controls, both 4.5:1 or more on black.
inline constexpr const char* kNightText = "#ff4040";
inline constexpr const char* kNightDisabledText = "#e03838";

}  // namespace zelto
