#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "circumstances/map_sweep.h"

class QPainter;

namespace zelto {

// How a path map is drawn: over the world picture (translucent band, magnitude lines) or as the site
// map (its own background, a 0.5° grid with degrees, duration lines and the site marker).
enum class PathMapStyle { World, Site };

// Paints a path map, projected onto a picture of `size`. The painter's state is kept.
void PaintPathMap(QPainter& painter, const PathMap& map, QSizeF size, PathMapStyle style,
                  std::optional<GeoPoint> site = std::nullopt);

// A widget that shows a path map; a left click reports the place under the pointer.
class PathMapView final : public QWidget {
    Q_OBJECT

  public:
    PathMapView(PathMapStyle style, QWidget* parent = nullptr);

    void SetMap(PathMap map);
    const PathMap& map() const { return map_; }
    void SetSite(std::optional<GeoPoint> site);
    // The area shown before the first map arrives (the site map follows its site at once).
    void SetArea(const MapArea& area);
    void SetClicked(std::function<void(GeoPoint)> clicked) { clicked_ = std::move(clicked); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    PathMapStyle style_;
    PathMap map_;
    std::optional<GeoPoint> site_;
    std::function<void(GeoPoint)> clicked_;
};

}  // namespace zelto
