#include "main_window/map_sweeper.h"

#include <QCoreApplication>

namespace zelto {

MapSweeper::MapSweeper(QObject* parent) : QObject(parent) { pool_.setMaxThreadCount(1); }

MapSweeper::~MapSweeper() {
    pool_.clear();
    pool_.waitForDone();
}

void MapSweeper::Request(std::function<PathMap()> sweep, std::function<void(PathMap)> deliver) {
    const int generation = ++generation_;
    pool_.clear();
    pool_.start([this, generation, sweep = std::move(sweep), deliver = std::move(deliver)] {
        PathMap map = sweep();
        QMetaObject::invokeMethod(
            this,
            [this, generation, map = std::move(map), deliver] {
                if (generation == generation_) deliver(map);
            },
            Qt::QueuedConnection);
    });
}

void MapSweeper::WaitForDone() {
    pool_.waitForDone();
    QCoreApplication::sendPostedEvents(this);
}

}  // namespace zelto
