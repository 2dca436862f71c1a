#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "circumstances/map_sweep.h"
#include "eclipse_data/catalog.h"

class QLabel;

namespace zelto {

class MapSweeper;
class PathMapView;

// The "Site map": ±2° around the site with the path's edges, duration lines every 30 s and the
// site marker, swept anew whenever the site, the eclipse or ΔT changes. A click sets the site.
class TForm_SiteMap final : public QWidget {
    Q_OBJECT

  public:
    explicit TForm_SiteMap(QWidget* parent = nullptr);
    ~TForm_SiteMap() override;

    // The site and eclipse of the latest pass, and a line about the site under the map.
    void ShowSite(int eclipseNumber, const EclipseRecord& eclipse, double deltaT, GeoPoint site, double height,
                  const std::string& caption);
    void SetSiteClicked(std::function<void(GeoPoint)> clicked);
    // Finishes a sweep in progress and shows its map (tests and screenshots).
    void WaitForMap();
    const PathMap& map() const;

  private:
    struct Key {
        int eclipse = 0;
        double deltaT = 0, latitude = 0, westLongitude = 0, height = 0;
        bool operator==(const Key&) const = default;
    };
    PathMapView* SiteMap_View = nullptr;
    QLabel* Label_SiteMap = nullptr;
    MapSweeper* sweeper_ = nullptr;
    Key shown_;
};

}  // namespace zelto
