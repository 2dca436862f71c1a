#include "window_dialogs/window_fit.h"

#include <QApplication>
#include <QGraphicsColorizeEffect>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QWidget>

namespace zelto {

namespace {

constexpr char kBasePointsProperty[] = "zeltoBasePoints";
constexpr char kImageProperty[] = "zeltoImage";
// Room kept for the title bar and the frame the window manager adds around a window.
constexpr int kFrameHeight = 32;
constexpr int kFrameWidth = 8;

bool nightModeOn = false;

QString NightStyleSheet() {
    return QString(
               "* { color: %1; background-color: black; selection-color: black; "
               "selection-background-color: %1; alternate-background-color: #200000; }"
               "*:disabled { color: %2; }"
               "QLineEdit, QComboBox, QPushButton, QAbstractItemView, QSpinBox { border: 1px solid #a02020; }"
               "QPushButton { padding: 3px 8px; }"
               "QPushButton:checked { background-color: #400000; }"
               "QHeaderView::section { border: 1px solid #601010; }")
        .arg(kNightText, kNightDisabledText);
}

// A scroll area that asks for the whole of its content: QScrollArea's own size hint stops at 36 × 24
// lines of text.
class FittingScrollArea final : public QScrollArea {
  public:
    QSize sizeHint() const override {
        const int frame = 2 * frameWidth();
        return widget() ? widget()->sizeHint() + QSize(frame, frame) : QScrollArea::sizeHint();
    }
};

void TintImage(QWidget* image, bool night) {
    if (!night) {
        image->setGraphicsEffect(nullptr);
        return;
    }
    auto* tint = new QGraphicsColorizeEffect(image);
    tint->setColor(QColor(255, 0, 0));
    tint->setStrength(1.0);
    image->setGraphicsEffect(tint);
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
    for (QWidget* widget : widgets) {
        QVariant base = widget->property(kBasePointsProperty);
        if (!base.isValid()) {
            base = widget->font().pointSizeF();
            widget->setProperty(kBasePointsProperty, base);
        }
        QFont font = widget->font();
        font.setPointSizeF(base.toDouble() * scale);
        widget->setFont(font);
    }
}

void FitToRoom(QWidget* window, QSize room) {
    window->setMinimumSize(0, 0);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (QLayout* layout = window->layout()) layout->activate();
    const QSize inner = room - QSize(kFrameWidth, kFrameHeight);
    window->resize(window->sizeHint().boundedTo(inner).expandedTo(window->minimumSizeHint().boundedTo(inner)));
}

QScrollArea* ScrollingClient(QWidget* content, const char* name) {
    auto* scroll = new FittingScrollArea;
    scroll->setObjectName(name);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    return scroll;
}

void ApplyNightMode(bool on) {
    nightModeOn = on;
    qApp->setStyleSheet(on ? NightStyleSheet() : QString());
    for (QWidget* widget : QApplication::allWidgets()) {
        if (widget->property(kImageProperty).toBool()) TintImage(widget, on);
    }
}

bool NightModeOn() {
    return nightModeOn;
}

void MarkAsImage(QWidget* image) {
    image->setProperty(kImageProperty, true);
    TintImage(image, nightModeOn);
}

}  // namespace zelto
