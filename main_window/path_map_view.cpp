#include "main_window/path_map_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace zelto {

namespace {

const QColor kSiteBackground(238, 236, 228);
const QColor kGrid(120, 116, 108, 110);
const QColor kGridText(60, 60, 60);
const QColor kWorldBand(0, 0, 0, 140);
const QColor kSiteBand(70, 70, 90, 110);
const QColor kLimit(150, 0, 0);
const QColor kMagnitude(255, 230, 80);
const QColor kDuration(40, 40, 120);
constexpr double kGridStep = 0.5;  // degrees, on the site map

QPointF Pixel(const PathMap& map, GeoPoint p, QSizeF size) {
    const MapPixel pixel = ToPixel(map.area, p, size.width(), size.height());
    return {pixel.x, pixel.y};
}

void DrawLine(QPainter& painter, const PathMap& map, const MapLine& line, QSizeF size) {
    for (const MapSegment& s : line.segments) painter.drawLine(Pixel(map, s.from, size), Pixel(map, s.to, size));
}

void DrawGrid(QPainter& painter, const MapArea& area, QSizeF size) {
    QFont font = painter.font();
    font.setPointSizeF(7.5);
    painter.setFont(font);
    const auto degrees = [](double value) { return QString::number(value, 'f', 1) + QChar(0x00b0); };
    const auto line = [&painter](QPointF from, QPointF to, QPointF at, const QString& text) {
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(from, to);
        painter.setPen(kGridText);
        painter.drawText(at, text);
    };
    for (double lat = std::ceil(area.south / kGridStep) * kGridStep; lat <= area.north; lat += kGridStep) {
        const double y = (area.north - lat) / (area.north - area.south) * size.height();
        line({0, y}, {size.width(), y}, {3, y - 2}, degrees(std::fabs(lat)) + (lat < 0 ? "S" : "N"));
    }
    for (double west = std::ceil(area.east / kGridStep) * kGridStep; west <= area.west; west += kGridStep) {
        const double x = (area.west - west) / (area.west - area.east) * size.width();
        line({x, 0}, {x, size.height()}, {x + 2, size.height() - 3}, degrees(std::fabs(west)) + (west < 0 ? "E" : "W"));
    }
}

}  // namespace

void PaintPathMap(QPainter& painter, const PathMap& map, QSizeF size, PathMapStyle style, std::optional<GeoPoint> site) {
    painter.save();
    const bool world = style == PathMapStyle::World;
    if (!world) painter.fillRect(QRectF(QPointF(0, 0), size), kSiteBackground);
    // The band's pieces meet edge to edge: drawn without smoothing, no seam shows between them.
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath band;
    band.setFillRule(Qt::WindingFill);
    for (const auto& piece : map.band) {
        QPolygonF polygon;
        for (GeoPoint p : piece) polygon << Pixel(map, p, size);
        band.addPolygon(polygon);
        band.closeSubpath();
    }
    painter.fillPath(band, world ? kWorldBand : kSiteBand);
    if (!world) DrawGrid(painter, map.area, size);

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(kMagnitude, world ? 0.8 : 1.2));
    for (const MapLine& line : map.magnitudeLines) DrawLine(painter, map, line, size);
    painter.setPen(QPen(kDuration, 0.8));
    for (const MapLine& line : map.durationLines) DrawLine(painter, map, line, size);
    painter.setPen(QPen(kLimit, world ? 1.0 : 2.0));
    DrawLine(painter, map, map.limits, size);

    if (site) {
        const QPointF at = Pixel(map, *site, size);
        painter.setPen(QPen(Qt::red, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(at, 6, 6);
        painter.drawLine(at - QPointF(10, 0), at + QPointF(10, 0));
        painter.drawLine(at - QPointF(0, 10), at + QPointF(0, 10));
    }
    painter.restore();
}

PathMapView::PathMapView(PathMapStyle style, QWidget* parent) : QWidget(parent), style_(style) {
    if (style_ == PathMapStyle::World) setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::CrossCursor);
}

void PathMapView::SetMap(PathMap map) {
    map_ = std::move(map);
    update();
}

void PathMapView::SetSite(std::optional<GeoPoint> site) {
    site_ = site;
    update();
}

void PathMapView::SetArea(const MapArea& area) {
    if (map_.area.north == area.north && map_.area.west == area.west) return;
    map_ = PathMap{};
    map_.area = area;
    update();
}

void PathMapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintPathMap(painter, map_, size(), style_, site_);
}

void PathMapView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !clicked_) return QWidget::mousePressEvent(event);
    const QPointF at = event->position();
    clicked_(ToPlace(map_.area, {at.x(), at.y()}, width(), height()));
}

}  // namespace zelto
