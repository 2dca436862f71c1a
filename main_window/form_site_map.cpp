#include "main_window/form_site_map.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "circumstances/geography.h"
#include "main_window/map_sweeper.h"
#include "main_window/path_map_view.h"
#include "platform/qt_text.h"
#include "window_dialogs/window_fit.h"

namespace zelto {

namespace {

constexpr int kViewSize = 560;      // ±2° at 0.007° a pixel
constexpr int kSmallestSide = 240;  // the map when the window is made small

bool Inside(const MapArea& area, GeoPoint p) {
    return p.latitude >= area.south && p.latitude <= area.north && p.westLongitude <= area.west && p.westLongitude >= area.east;
}

}  // namespace

// Holds the map as the largest square its room allows, centred: the window can be resized and the map
// keeps its proportions.
class SquareHolder final : public QWidget {
  public:
    SquareHolder(QWidget* square, QWidget* parent) : QWidget(parent), square_(square) {
        square_->setParent(this);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    void SetSide(int side) {
        side_ = side;
        updateGeometry();
    }
    QSize sizeHint() const override { return {side_, side_}; }
    QSize minimumSizeHint() const override { return {kSmallestSide, kSmallestSide}; }

  protected:
    void resizeEvent(QResizeEvent*) override {
        const int side = std::min(width(), height());
        square_->setGeometry((width() - side) / 2, (height() - side) / 2, side, side);
    }

  private:
    QWidget* square_;
    int side_ = kViewSize;
};

TForm_SiteMap::TForm_SiteMap(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("Form_SiteMap");
    setWindowTitle("Zelto - Site map");
    mapView_ = new PathMapView(PathMapStyle::Site, this);
    mapView_->setObjectName("SiteMap_View");
    mapHolder_ = new SquareHolder(mapView_, this);
    captionLabel_ = new QLabel(this);
    captionLabel_->setObjectName("Label_SiteMap");
    captionLabel_->setWordWrap(true);
    centreButton_ = new QPushButton("Centre on site", this);
    centreButton_->setObjectName("Button_SiteMap_Centre");
    legend_ = new QLabel(
        "Shaded: the path. Red: its limits; dashed: the centre line. Blue: every 30 s of totality or "
        "annularity. Green: coasts; blue: lakes and rivers; purple: borders. "
        "Click to move the site, drag to move the map, turn the wheel to zoom.",
        this);
    legend_->setObjectName("Label_SiteMap_Legend");
    legend_->setWordWrap(true);
    auto* captionRow = new QHBoxLayout;
    captionRow->addWidget(captionLabel_, 1);
    captionRow->addWidget(centreButton_, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mapHolder_, 1);
    layout->addLayout(captionRow);
    layout->addWidget(legend_);
    MarkAsImage(mapView_);
    pathSweeper_ = new MapSweeper(this);
    geographySweeper_ = new MapSweeper(this);
    FitToRoom(this, ScreenRoom(this));  // the map at its full size where the screen has the room

    connect(centreButton_, &QPushButton::clicked, this, &TForm_SiteMap::CentreOnSite);
    mapView_->SetDragged([this](MapPixel from, MapPixel to) {
        ShowView(Dragged(view_, from, to, mapView_->width(), mapView_->height()));
    });
    mapView_->SetWheeled([this](double notches, GeoPoint at) { ShowView(Zoomed(view_, notches, at)); });
}

TForm_SiteMap::~TForm_SiteMap() = default;

void TForm_SiteMap::SetFormSize(FormSize size, QSize room) {
    ScaleFonts(this, FontScale(size));
    const int side = static_cast<int>(std::lround(kViewSize * FontScale(size)));
    mapHolder_->SetSide(side);
    FitToRoom(this, room);
    // Where the screen is smaller the map gives way: the window then takes the map's room and no more.
    layout()->activate();
    const int shown = std::min(mapHolder_->width(), mapHolder_->height());
    if (shown < side) {
        mapHolder_->SetSide(shown);
        FitToRoom(this, room);
    }
}

void TForm_SiteMap::showEvent(QShowEvent* event) {
    centreOnNextSite_ = true;  // a map opened anew starts around the site
    QWidget::showEvent(event);
}

void TForm_SiteMap::ShowSite(int eclipseNumber, const EclipseRecord& eclipse, double deltaT, GeoPoint site,
                             double height, const std::string& caption) {
    captionLabel_->setText(ToQString(caption));
    mapView_->SetSite(site);
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
    mapView_->SetArea(AreaOf(view_));
    Refresh();
}

void TForm_SiteMap::Refresh() {
    const Key key{eclipseNumber_, deltaT_, height_, view_};
    if (key != swept_ && eclipseNumber_ != 0) {
        swept_ = key;
        pathSweeper_->Request([eclipse = eclipse_, deltaT = deltaT_, view = view_, height = height_] {
            return SitePathMap(eclipse, deltaT, view, height);
        },
                              [this](PathMap map) { mapView_->SetMap(std::move(map)); });
    }
    if (geographyView_ != view_) {
        geographyView_ = view_;
        const double degreesPerPixel = 2 * view_.halfSize / mapView_->width();
        geographySweeper_->Request([folders = geographyFolders_, area = AreaOf(view_), degreesPerPixel] {
            return ReadGeography(folders, area, degreesPerPixel);
        },
                                   [this](Geography geography) { mapView_->SetGeography(std::move(geography)); });
    }
}

void TForm_SiteMap::SetSiteClicked(std::function<void(GeoPoint)> clicked) { mapView_->SetClicked(std::move(clicked)); }

void TForm_SiteMap::WaitForMap() {
    pathSweeper_->WaitForDone();
    geographySweeper_->WaitForDone();
}

const PathMap& TForm_SiteMap::map() const { return mapView_->map(); }

}  // namespace zelto
