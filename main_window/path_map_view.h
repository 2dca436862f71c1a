#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "circumstances/geography.h"
#include "circumstances/map_sweep.h"

class QPainter;

namespace zelto {

// How a path map is drawn: over the world picture (translucent band, magnitude lines) or as the site
// map (its own background, coasts, lakes, rivers and borders, a grid with degrees, the centre line,
// duration lines with their values and the site marker).
enum class PathMapStyle { World, Site };

// What a site map shows besides the path: the geography under it and the duration labels.
struct SiteMapExtras {
    const Geography* geography = nullptr;
    const std::vector<MapLabel>* labels = nullptr;
};

// Paints a path map as it stands in `area`, projected onto a picture of `size`. The painter's state
// is kept.
void PaintPathMap(QPainter& painter, const PathMap& map, const MapArea& area, QSizeF size, PathMapStyle style,
                  std::optional<GeoPoint> site = std::nullopt, SiteMapExtras extras = {});

// A widget that shows a path map. On the world map a press reports the place under the pointer. On
// the site map a click (a press and release that did not move) reports it, a drag reports each move
// and the wheel reports its notches with the place under the pointer. The widget repaints only when
// what it shows changes.
class PathMapView final : public QWidget {
    Q_OBJECT

  public:
    PathMapView(PathMapStyle style, QWidget* parent = nullptr);

    void SetMap(PathMap map);
    const PathMap& map() const { return map_; }
    void SetSite(std::optional<GeoPoint> site);
    // The area shown; a map swept for another area stays drawn where it lies until its successor comes.
    void SetArea(const MapArea& area);
    const MapArea& area() const { return area_; }
    void SetGeography(Geography geography);
    const Geography& geography() const { return geography_; }
    const std::vector<MapLabel>& labels() const { return labels_; }

    void SetClicked(std::function<void(GeoPoint)> clicked) { clicked_ = std::move(clicked); }
    void SetDragged(std::function<void(MapPixel from, MapPixel to)> dragged) { dragged_ = std::move(dragged); }
    void SetWheeled(std::function<void(double notches, GeoPoint at)> wheeled) { wheeled_ = std::move(wheeled); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    GeoPoint PlaceAt(QPointF at) const;
    void Relabel();

    PathMapStyle style_;
    PathMap map_;
    MapArea area_;
    Geography geography_;
    std::vector<MapLabel> labels_;
    std::optional<GeoPoint> site_;
    std::function<void(GeoPoint)> clicked_;
    std::function<void(MapPixel, MapPixel)> dragged_;
    std::function<void(double, GeoPoint)> wheeled_;
    std::optional<QPointF> pressedAt_;  // where the left button went down
    QPointF lastDragAt_;
    bool dragging_ = false;
};

}  // namespace zelto
