#include "main_window/form_site_map.h"

#include <QLabel>
#include <QVBoxLayout>

#include "main_window/map_sweeper.h"
#include "main_window/path_map_view.h"
#include "platform/qt_text.h"

namespace zelto {

namespace {
constexpr int kViewSize = 560;  // ±2° at 0.007° a pixel
}

TForm_SiteMap::TForm_SiteMap(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("Form_SiteMap");
    setWindowTitle("Zelto - Site map");
    SiteMap_View = new PathMapView(PathMapStyle::Site, this);
    SiteMap_View->setObjectName("SiteMap_View");
    SiteMap_View->setFixedSize(kViewSize, kViewSize);
    Label_SiteMap = new QLabel(this);
    Label_SiteMap->setObjectName("Label_SiteMap");
    Label_SiteMap->setWordWrap(true);
    Label_SiteMap->setFixedWidth(kViewSize);
    auto* legend = new QLabel(
        "Shaded: the path. Red: its limits. Blue: every 30 s of totality or annularity. "
        "Click to move the site.",
        this);
    legend->setObjectName("Label_SiteMap_Legend");
    legend->setWordWrap(true);
    legend->setFixedWidth(kViewSize);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SiteMap_View);
    layout->addWidget(Label_SiteMap);
    layout->addWidget(legend);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    sweeper_ = new MapSweeper(this);
}

TForm_SiteMap::~TForm_SiteMap() = default;

void TForm_SiteMap::ShowSite(int eclipseNumber, const EclipseRecord& eclipse, double deltaT, GeoPoint site,
                             double height, const std::string& caption) {
    Label_SiteMap->setText(ToQString(caption));
    SiteMap_View->SetSite(site);
    const Key key{eclipseNumber, deltaT, site.latitude, site.westLongitude, height};
    if (key == shown_) return;
    shown_ = key;
    SiteMap_View->SetArea(SiteMapArea(site));
    sweeper_->Request([eclipse, deltaT, site, height] { return SitePathMap(eclipse, deltaT, site, height); },
                      [this](PathMap map) { SiteMap_View->SetMap(std::move(map)); });
}

void TForm_SiteMap::SetSiteClicked(std::function<void(GeoPoint)> clicked) { SiteMap_View->SetClicked(std::move(clicked)); }

void TForm_SiteMap::WaitForMap() { sweeper_->WaitForDone(); }

const PathMap& TForm_SiteMap::map() const { return SiteMap_View->map(); }

}  // namespace zelto
