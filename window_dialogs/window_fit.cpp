#include "window_dialogs/window_fit.h"

#include <QApplication>
#include <QGraphicsEffect>
#include <QImage>
#include <QLayout>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace zelto {

namespace {

constexpr char kBasePointsProperty[] = "zeltoBasePoints";
constexpr char kImageProperty[] = "zeltoImage";
constexpr char kScaleProperty[] = "zeltoFontScale";
constexpr char kRoomProperty[] = "zeltoRoom";  // the room a window was last fitted to

bool nightModeOn = false;

QString NightStyleSheet() {
    return QString(
               "* { color: %1; background-color: black; selection-color: black; "
               "selection-background-color: %1; alternate-background-color: #200000; }"
               "*:disabled { color: %2; }"
               "QLineEdit, QComboBox, QPushButton, QAbstractItemView, QSpinBox { border: 1px solid #a02020; }"
               "QPushButton { padding: 3px 8px; }"
               "QComboBox { padding: 1px 18px 1px 4px; }"
               "QPushButton:checked { background-color: #400000; }"
               "QHeaderView::section { background-color: black; border: 1px solid #601010; }"
               "QRadioButton::indicator, QCheckBox::indicator { width: 10px; height: 10px; "
               "border: 1px solid %1; background-color: black; }"
               "QRadioButton::indicator { border-radius: 6px; }"
               "QRadioButton::indicator:checked, QCheckBox::indicator:checked { background-color: %1; }")
        .arg(kNightText, kNightDisabledText);
}

// A scroll area that asks for the whole of its content (QScrollArea's own size hint stops at 36 × 24
// lines of text), and whose window grows, within the screen, when the content comes to need more
// room than it has: a longer warning or clock check then shows whole instead of scrolling.
class FittingScrollArea final : public QScrollArea {
  public:
    QSize sizeHint() const override {
        const int frame = 2 * frameWidth();
        return widget() ? widget()->sizeHint() + QSize(frame, frame) : QScrollArea::sizeHint();
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget() && event->type() == QEvent::LayoutRequest) {
            QTimer::singleShot(0, this, [this] { GrowWindowToContent(); });
        }
        return QScrollArea::eventFilter(watched, event);
    }

  private:
    void GrowWindowToContent() {
        QWidget* window = this->window();
        if (!widget() || !window->isVisible()) return;
        const QSize missing = (widget()->sizeHint() - viewport()->size()).expandedTo(QSize(0, 0));
        if (missing.isNull()) return;
        // Within the room the window was last fitted to.
        const QVariant fitted = window->property(kRoomProperty);
        const QSize room = fitted.isValid() ? fitted.toSize() : ScreenRoom(window);
        const QSize grown =
            window->size().expandedTo((window->size() + missing).boundedTo(room - kWindowFrame));
        if (grown == window->size()) return;
        window->resize(grown);
        KeepOnScreen(window);
    }
};

// Draws its widget in shades of red: each pixel's grey level becomes the red of a black-to-red ramp,
// so that the brightest part of an image is red, never white.
class NightTint final : public QGraphicsEffect {
  public:
    using QGraphicsEffect::QGraphicsEffect;

  protected:
    void draw(QPainter* painter) override {
        QPoint offset;
        const QImage grey =
            sourcePixmap(Qt::DeviceCoordinates, &offset).toImage().convertToFormat(QImage::Format_Grayscale8);
        QImage red(grey.constBits(), grey.width(), grey.height(), grey.bytesPerLine(),
                   QImage::Format_Indexed8);
        red.setColorTable(RedRamp());
        painter->save();
        painter->setWorldTransform(QTransform());
        painter->drawImage(offset, red);
        painter->restore();
    }

  private:
    static const QList<QRgb>& RedRamp() {
        static const QList<QRgb> ramp = [] {
            QList<QRgb> colours;
            for (int level = 0; level < 256; ++level) colours.append(qRgb(level, 0, 0));
            return colours;
        }();
        return ramp;
    }
};

void TintImage(QWidget* image, bool night) {
    image->setGraphicsEffect(night ? new NightTint(image) : nullptr);
}

}  // namespace

double FontScale(FormSize size) {
    switch (size) {
        case FormSize::Large:
            return 1.5;
        case FormSize::Small:
            return 2.0 / 3.0;
        case FormSize::Normal:
            return 1.0;
    }
    return 1.0;
}

QSize ScreenRoom(const QWidget* window) {
    const QScreen* screen = window ? window->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size() : QSize(1366, 768);
}

void ScaleFonts(QWidget* root, double scale) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    // Every base size is read before any font changes: a change reaches the widgets that inherit it.
    const double before =
        root->property(kScaleProperty).isValid() ? root->property(kScaleProperty).toDouble() : 1.0;
    for (QWidget* widget : widgets) {
        if (widget->property(kBasePointsProperty).isValid()) continue;
        // A widget made since the last scaling: its own font is at base size, an inherited one scaled.
        const double points = widget->font().pointSizeF();
        widget->setProperty(kBasePointsProperty,
                            widget->testAttribute(Qt::WA_SetFont) ? points : points / before);
    }
    root->setProperty(kScaleProperty, scale);
    for (QWidget* widget : widgets) {
        QFont font = widget->font();
        font.setPointSizeF(widget->property(kBasePointsProperty).toDouble() * scale);
        widget->setFont(font);
    }
}

void FitToRoom(QWidget* window, QSize room) {
    window->setProperty(kRoomProperty, room);
    window->setMinimumSize(0, 0);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // The layouts take in the fonts just set before the window asks them for its size.
    for (QLayout* layout : window->findChildren<QLayout*>()) layout->invalidate();
    for (QWidget* widget : window->findChildren<QWidget*>()) widget->updateGeometry();
    if (QLayout* layout = window->layout()) layout->activate();
    const QSize inner = room - kWindowFrame;
    window->resize(
        window->sizeHint().boundedTo(inner).expandedTo(window->minimumSizeHint().boundedTo(inner)));
    KeepOnScreen(window);
}

void KeepOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const int x = std::max(area.left(),
                           std::min(window->x(), area.right() + 1 - window->width() - kWindowFrame.width()));
    const int y = std::max(
        area.top(), std::min(window->y(), area.bottom() + 1 - window->height() - kWindowFrame.height()));
    if (QPoint(x, y) != window->pos()) window->move(x, y);
}

QScrollArea* ScrollingClient(QWidget* content, const char* name) {
    auto* scroll = new FittingScrollArea;
    scroll->setObjectName(name);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    content->installEventFilter(scroll);
    return scroll;
}

void ApplyNightMode(bool on) {
    nightModeOn = on;
    // The style's grey for disabled text reads at 3.4:1 on its light controls; a darker grey at 4.7:1.
    QPalette palette = QApplication::palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(0x6a, 0x6a, 0x6a));
    QApplication::setPalette(palette);
    qApp->setStyleSheet(on ? NightStyleSheet() : QString());
    for (QWidget* widget : QApplication::allWidgets()) {
        if (widget->property(kImageProperty).toBool()) TintImage(widget, on);
    }
}

bool NightModeOn() {
    return nightModeOn;
}

QColor TextColourInMode(const QColor& day) {
    return nightModeOn ? QColor(kNightText) : day;
}

QColor BackgroundInMode(const QColor& day) {
    return nightModeOn ? QColor(Qt::black) : day;
}

void MarkAsImage(QWidget* image) {
    image->setProperty(kImageProperty, true);
    TintImage(image, nightModeOn);
}

}  // namespace zelto
