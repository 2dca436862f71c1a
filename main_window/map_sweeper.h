#pragma once

#include <QObject>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace zelto {

// Sweeps path maps (or reads what lies under them) on a thread of its own, so that the clock never
// waits for one. A new request drops any not yet started; only the latest request's result is
// delivered, on the window's thread.
class MapSweeper final : public QObject {
  public:
    explicit MapSweeper(QObject* parent = nullptr);
    ~MapSweeper() override;  // waits for a sweep in progress

    // `work` runs on the sweeper's thread; `deliver` gets its result on the window's thread.
    template <typename Work, typename Deliver>
    void Request(Work work, Deliver deliver) {
        using Result = std::invoke_result_t<Work&>;
        Start([work = std::move(work), deliver = std::move(deliver)]() mutable -> std::function<void()> {
            auto result = std::make_shared<Result>(work());
            return [deliver, result] { deliver(std::move(*result)); };
        });
    }
    // Finishes the sweeps asked for and delivers the latest (tests and screenshots).
    void WaitForDone();

  private:
    void Start(std::function<std::function<void()>()> job);

    QThreadPool pool_;
    int generation_ = 0;
};

}  // namespace zelto
