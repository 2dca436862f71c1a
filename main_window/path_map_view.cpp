#include "main_window/path_map_view.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <cmath>

#include "platform/qt_text.h"

namespace zelto {

namespace {

const QColor kSiteBackground(238, 236, 228);
const QColor kGrid(120, 116, 108, 110);
const QColor kGridText(60, 60, 60);
const QColor kWorldBand(0, 0, 0, 140);
const QColor kSiteBand(70, 70, 90, 110);
const QColor kLimit(150, 0, 0);
const QColor kCentreLine(150, 0, 0);
const QColor kMagnitude(255, 230, 80);
const QColor kDuration(40, 40, 120);
const QColor kCoast(70, 95, 60);
const QColor kLake(40, 100, 190);
const QColor kRiver(100, 150, 220);
const QColor kBorder(130, 60, 130);
// A mouse that moves this far with the button down drags instead of clicking.
constexpr double kDragThreshold = 4;

QPointF Pixel(const MapArea& area, GeoPoint p, QSizeF size) {
    const MapPixel pixel = ToPixel(area, p, size.width(), size.height());
    return {pixel.x, pixel.y};
}

void DrawLine(QPainter& painter, const MapArea& area, const MapLine& line, QSizeF size) {
    for (const MapSegment& s : line.segments) painter.drawLine(Pixel(area, s.from, size), Pixel(area, s.to, size));
}

// Grid lines 4 to 10 across the view, at a step a reader counts in.
void DrawGrid(QPainter& painter, const MapArea& area, QSizeF size) {
    const double across = area.north - area.south;
    double step = 2;
    for (double candidate : {0.1, 0.25, 0.5, 1.0}) {
        if (across / candidate <= 10) {
            step = candidate;
            break;
        }
    }
    const int decimals = step < 0.25 ? 1 : step < 0.5 ? 2 : 1;
    QFont font = painter.font();
    font.setPointSizeF(7.5);
    painter.setFont(font);
    const auto degrees = [decimals](double value) { return QString::number(value, 'f', decimals) + QChar(0x00b0); };
    const auto line = [&painter](QPointF from, QPointF to, QPointF at, const QString& text) {
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(from, to);
        painter.setPen(kGridText);
        painter.drawText(at, text);
    };
    for (double lat = std::ceil(area.south / step) * step; lat <= area.north; lat += step) {
        const double y = (area.north - lat) / (area.north - area.south) * size.height();
        line({0, y}, {size.width(), y}, {3, y - 2}, degrees(std::fabs(lat)) + (lat < 0 ? "S" : "N"));
    }
    for (double west = std::ceil(area.east / step) * step; west <= area.west; west += step) {
        const double x = (area.west - west) / (area.west - area.east) * size.width();
        line({x, 0}, {x, size.height()}, {x + 2, size.height() - 3}, degrees(std::fabs(west)) + (west < 0 ? "E" : "W"));
    }
}

void DrawGeography(QPainter& painter, const MapArea& area, const Geography& geography, QSizeF size) {
    for (const GeographyLine& line : geography.lines) {
        QPen pen;
        switch (line.kind) {
            case GeographyKind::Coast: pen = QPen(kCoast, 1.3); break;
            case GeographyKind::Lake: pen = QPen(kLake, 1.1); break;
            case GeographyKind::River: pen = QPen(kRiver, line.level <= 2 ? 1.0 : 0.7); break;
            case GeographyKind::Border: pen = QPen(kBorder, line.level == 1 ? 1.2 : 0.8, line.level == 1 ? Qt::DashLine : Qt::DotLine); break;
        }
        painter.setPen(pen);
        QPolygonF polyline;
        polyline.reserve(static_cast<qsizetype>(line.points.size()));
        for (GeoPoint p : line.points) polyline << Pixel(area, p, size);
        painter.drawPolyline(polyline);
    }
}

// A text on a pale box, centred on `at`.
void DrawBoxedText(QPainter& painter, QPointF at, const QString& text, const QColor& colour) {
    const QFontMetricsF metrics(painter.font());
    QRectF box = metrics.boundingRect(text).adjusted(-3, -1, 3, 1);
    box.moveCenter(at);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 200));
    painter.drawRoundedRect(box, 3, 3);
    painter.setPen(colour);
    painter.drawText(box, Qt::AlignCenter, text);
}

}  // namespace

void PaintPathMap(QPainter& painter, const PathMap& map, const MapArea& area, QSizeF size, PathMapStyle style,
                  std::optional<GeoPoint> site, SiteMapExtras extras) {
    painter.save();
    const bool world = style == PathMapStyle::World;
    if (!world) painter.fillRect(QRectF(QPointF(0, 0), size), kSiteBackground);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (extras.geography) DrawGeography(painter, area, *extras.geography, size);
    // The band's pieces meet edge to edge: drawn without smoothing, no seam shows between them.
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath band;
    band.setFillRule(Qt::WindingFill);
    for (const auto& piece : map.band) {
        QPolygonF polygon;
        for (GeoPoint p : piece) polygon << Pixel(area, p, size);
        band.addPolygon(polygon);
        band.closeSubpath();
    }
    painter.fillPath(band, world ? kWorldBand : kSiteBand);
    if (!world) DrawGrid(painter, area, size);

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(kMagnitude, world ? 0.8 : 1.2));
    for (const MapLine& line : map.magnitudeLines) DrawLine(painter, area, line, size);
    painter.setPen(QPen(kDuration, 0.8));
    for (const MapLine& line : map.durationLines) DrawLine(painter, area, line, size);
    painter.setPen(QPen(kCentreLine, 1.2, Qt::DashLine));
    DrawLine(painter, area, map.centreLine, size);
    painter.setPen(QPen(kLimit, world ? 1.0 : 2.0));
    DrawLine(painter, area, map.limits, size);

    if (extras.labels) {
        QFont font = painter.font();
        font.setPointSizeF(8);
        painter.setFont(font);
        for (const MapLabel& label : *extras.labels) DrawBoxedText(painter, Pixel(area, label.place, size), ToQString(label.text), kDuration);
    }
    if (site) {
        const QPointF at = Pixel(area, *site, size);
        painter.setPen(QPen(Qt::red, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(at, 6, 6);
        painter.drawLine(at - QPointF(10, 0), at + QPointF(10, 0));
        painter.drawLine(at - QPointF(0, 10), at + QPointF(0, 10));
    }
    if (extras.geography && !extras.geography->note.empty()) {
        const QString note = ToQString(extras.geography->note);
        const QFontMetricsF metrics(painter.font());
        DrawBoxedText(painter, {size.width() / 2, metrics.height()}, note, Qt::black);
    }
    painter.restore();
}

PathMapView::PathMapView(PathMapStyle style, QWidget* parent) : QWidget(parent), style_(style) {
    if (style_ == PathMapStyle::World) setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::CrossCursor);
}

void PathMapView::SetMap(PathMap map) {
    map_ = std::move(map);
    if (style_ == PathMapStyle::World) area_ = map_.area;
    Relabel();
    update();
}

void PathMapView::SetSite(std::optional<GeoPoint> site) {
    if (site == site_) return;
    site_ = site;
    Relabel();
    update();
}

void PathMapView::SetArea(const MapArea& area) {
    if (area.north == area_.north && area.south == area_.south && area.west == area_.west && area.east == area_.east) return;
    area_ = area;
    Relabel();
    update();
}

void PathMapView::SetGeography(Geography geography) {
    geography_ = std::move(geography);
    update();
}

void PathMapView::Relabel() {
    if (style_ == PathMapStyle::Site) labels_ = DurationLabels(map_, area_, site_);
}

void PathMapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (style_ == PathMapStyle::World) {
        PaintPathMap(painter, map_, area_, size(), style_, site_);
    } else {
        PaintPathMap(painter, map_, area_, size(), style_, site_, {&geography_, &labels_});
    }
}

GeoPoint PathMapView::PlaceAt(QPointF at) const { return ToPlace(area_, {at.x(), at.y()}, width(), height()); }

void PathMapView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !clicked_) return QWidget::mousePressEvent(event);
    if (style_ == PathMapStyle::World) return clicked_(PlaceAt(event->position()));
    pressedAt_ = lastDragAt_ = event->position();
    dragging_ = false;
}

void PathMapView::mouseMoveEvent(QMouseEvent* event) {
    if (!pressedAt_ || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
    const QPointF at = event->position();
    if (!dragging_ && (at - *pressedAt_).manhattanLength() < kDragThreshold) return;
    dragging_ = true;
    if (dragged_) dragged_({lastDragAt_.x(), lastDragAt_.y()}, {at.x(), at.y()});
    lastDragAt_ = at;
}

void PathMapView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressedAt_) return QWidget::mouseReleaseEvent(event);
    if (!dragging_ && clicked_) clicked_(PlaceAt(*pressedAt_));
    pressedAt_.reset();
    dragging_ = false;
}

void PathMapView::wheelEvent(QWheelEvent* event) {
    if (!wheeled_) return QWidget::wheelEvent(event);
    // 120 units a notch; touchpads send fractions of one.
    wheeled_(event->angleDelta().y() / 120.0, PlaceAt(event->position()));
    event->accept();
}

}  // namespace zelto
