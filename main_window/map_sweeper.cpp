#include "main_window/map_sweeper.h"

#include <QCoreApplication>

namespace zelto {

MapSweeper::MapSweeper(QObject* parent) : QObject(parent) { pool_.setMaxThreadCount(1); }

MapSweeper::~MapSweeper() {
    pool_.clear();
    pool_.waitForDone();
}

void MapSweeper::Start(std::function<std::function<void()>()> job) {
    const int generation = ++generation_;
    pool_.clear();
    pool_.start([this, generation, job = std::move(job)] {
        std::function<void()> deliver = job();
        QMetaObject::invokeMethod(
            this,
            [this, generation, deliver = std::move(deliver)] {
                if (generation == generation_) deliver();
            },
            Qt::QueuedConnection);
    });
}

void MapSweeper::WaitForDone() {
    pool_.waitForDone();
    QCoreApplication::sendPostedEvents(this);
}

}  // namespace zelto
