#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "circumstances/map_sweep.h"
#include "eclipse_data/catalog.h"
#include "window_dialogs/window_fit.h"

class QLabel;
class QPushButton;

namespace zelto {

class SquareHolder;

class MapSweeper;
class PathMapView;

// The "Site map": a view around the site (±2° when opened, zoomed by the wheel from ±0.25° to ±5°,
// panned by dragging) with the coasts, lakes, rivers and borders under the path, its edges, centre
// line and duration lines every 30 s with their values, and the site marker. A click sets the site
// and leaves the view where it is; "Centre on site" brings the site back to the middle. The view is
// swept anew only when the eclipse, ΔT, the height or the view changes.
class TForm_SiteMap final : public QWidget {
    Q_OBJECT

  public:
    explicit TForm_SiteMap(QWidget* parent = nullptr);
    ~TForm_SiteMap() override;

    // The site and eclipse of the latest pass, and a line about the site under the map.
    void ShowSite(int eclipseNumber, const EclipseRecord& eclipse, double deltaT, GeoPoint site, double height,
                  const std::string& caption);
    void SetSiteClicked(std::function<void(GeoPoint)> clicked);
    // The folders that may hold GSHHG's files, searched in order.
    void SetGeographyFolders(std::vector<std::string> folders) { geographyFolders_ = std::move(folders); }
    void CentreOnSite();
    // Scales the fonts and the map; the window stays inside `room`.
    void SetFormSize(FormSize size, QSize room);
    // Finishes the sweep and the reading in progress and shows their results (tests and screenshots).
    void WaitForMap();
    const PathMap& map() const;
    const MapView& view() const { return view_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    struct Key {
        int eclipse = 0;
        double deltaT = 0, height = 0;
        MapView view;
        bool operator==(const Key&) const = default;
    };
    void ShowView(const MapView& view);
    void Refresh();

    PathMapView* mapView_ = nullptr;
    QLabel* captionLabel_ = nullptr;
    QPushButton* centreButton_ = nullptr;
    QLabel* legend_ = nullptr;
    SquareHolder* mapHolder_ = nullptr;  // the map, square, as large as the window allows
    MapSweeper* pathSweeper_ = nullptr;
    MapSweeper* geographySweeper_ = nullptr;
    std::vector<std::string> geographyFolders_;
    // The latest pass's inputs, swept again when the view moves.
    int eclipseNumber_ = 0;
    EclipseRecord eclipse_{};
    double deltaT_ = 0, height_ = 0;
    std::optional<GeoPoint> site_;
    bool centreOnNextSite_ = true;
    MapView view_;
    Key swept_;
    std::optional<MapView> geographyView_;
};

}  // namespace zelto
