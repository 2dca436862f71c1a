#include "main_window/form_site_map.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "circumstances/geography.h"
#include "main_window/map_sweeper.h"
#include "main_window/path_map_view.h"
#include "platform/qt_text.h"

namespace zelto {

namespace {

constexpr int kViewSize = 560;  // ±2° at 0.007° a pixel

bool Inside(const MapArea& area, GeoPoint p) {
    return p.latitude >= area.south && p.latitude <= area.north && p.westLongitude <= area.west && p.westLongitude >= area.east;
}

}  // namespace

TForm_SiteMap::TForm_SiteMap(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("Form_SiteMap");
    setWindowTitle("Zelto - Site map");
    SiteMap_View = new PathMapView(PathMapStyle::Site, this);
    SiteMap_View->setObjectName("SiteMap_View");
    SiteMap_View->setFixedSize(kViewSize, kViewSize);
    Label_SiteMap = new QLabel(this);
    Label_SiteMap->setObjectName("Label_SiteMap");
    Label_SiteMap->setWordWrap(true);
    Button_SiteMap_Centre = new QPushButton("Centre on site", this);
    Button_SiteMap_Centre->setObjectName("Button_SiteMap_Centre");
    auto* legend = new QLabel(
        "Shaded: the path. Red: its limits; dashed: the centre line. Blue: every 30 s of totality or "
        "annularity. Green: coasts; blue: lakes and rivers; purple: borders. "
        "Click to move the site, drag to move the map, turn the wheel to zoom.",
        this);
    legend->setObjectName("Label_SiteMap_Legend");
    legend->setWordWrap(true);
    legend->setFixedWidth(kViewSize);
    auto* captionRow = new QHBoxLayout;
    captionRow->addWidget(Label_SiteMap, 1);
    captionRow->addWidget(Button_SiteMap_Centre, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SiteMap_View);
    layout->addLayout(captionRow);
    layout->addWidget(legend);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    pathSweeper_ = new MapSweeper(this);
    geographySweeper_ = new MapSweeper(this);

    connect(Button_SiteMap_Centre, &QPushButton::clicked, this, &TForm_SiteMap::CentreOnSite);
    SiteMap_View->SetDragged([this](MapPixel from, MapPixel to) {
        ShowView(Dragged(view_, from, to, SiteMap_View->width(), SiteMap_View->height()));
    });
    SiteMap_View->SetWheeled([this](double notches, GeoPoint at) { ShowView(Zoomed(view_, notches, at)); });
}

TForm_SiteMap::~TForm_SiteMap() = default;

void TForm_SiteMap::showEvent(QShowEvent* event) {
    centreOnNextSite_ = true;  // a map opened anew starts around the site
    QWidget::showEvent(event);
}

void TForm_SiteMap::ShowSite(int eclipseNumber, const EclipseRecord& eclipse, double deltaT, GeoPoint site,
                             double height, const std::string& caption) {
    Label_SiteMap->setText(ToQString(caption));
    SiteMap_View->SetSite(site);
    eclipseNumber_ = eclipseNumber;
    eclipse_ = eclipse;
    deltaT_ = deltaT;
    height_ = height;
    site_ = site;
    // A click lands inside the view and leaves it be; a site typed, loaded or taken from GPS that lies
    // outside it brings the view along.
    MapView view = view_;
    if (centreOnNextSite_ || !Inside(AreaOf(view_), site)) view.centre = site;
    centreOnNextSite_ = false;
    ShowView(view);
}

void TForm_SiteMap::CentreOnSite() {
    if (site_) ShowView({*site_, view_.halfSize});
}

void TForm_SiteMap::ShowView(const MapView& view) {
    view_ = view;
    SiteMap_View->SetArea(AreaOf(view_));
    Refresh();
}

void TForm_SiteMap::Refresh() {
    const Key key{eclipseNumber_, deltaT_, height_, view_};
    if (key != swept_ && eclipseNumber_ != 0) {
        swept_ = key;
        pathSweeper_->Request([eclipse = eclipse_, deltaT = deltaT_, view = view_, height = height_] {
            return SitePathMap(eclipse, deltaT, view, height);
        },
                              [this](PathMap map) { SiteMap_View->SetMap(std::move(map)); });
    }
    if (geographyView_ != view_) {
        geographyView_ = view_;
        const double degreesPerPixel = 2 * view_.halfSize / kViewSize;
        geographySweeper_->Request([folders = geographyFolders_, area = AreaOf(view_), degreesPerPixel] {
            return ReadGeography(folders, area, degreesPerPixel);
        },
                                   [this](Geography geography) { SiteMap_View->SetGeography(std::move(geography)); });
    }
}

void TForm_SiteMap::SetSiteClicked(std::function<void(GeoPoint)> clicked) { SiteMap_View->SetClicked(std::move(clicked)); }

void TForm_SiteMap::WaitForMap() {
    pathSweeper_->WaitForDone();
    geographySweeper_->WaitForDone();
}

const PathMap& TForm_SiteMap::map() const { return SiteMap_View->map(); }

}  // namespace zelto
