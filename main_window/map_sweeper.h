#pragma once

#include <QObject>
#include <QThreadPool>
#include <functional>

#include "circumstances/map_sweep.h"

namespace zelto {

// Sweeps path maps on a thread of its own, so that the clock never waits for one. A new request
// drops any not yet started; only the latest request's map is delivered, on the window's thread.
class MapSweeper final : public QObject {
  public:
    explicit MapSweeper(QObject* parent = nullptr);
    ~MapSweeper() override;  // waits for a sweep in progress

    void Request(std::function<PathMap()> sweep, std::function<void(PathMap)> deliver);
    // Finishes the sweeps asked for and delivers the latest (tests and screenshots).
    void WaitForDone();

  private:
    QThreadPool pool_;
    int generation_ = 0;
};

}  // namespace zelto
