#pragma once

#include <QObject>
#include <QSoundEffect>
#include <map>
#include <memory>

#include "camera/sound_player.h"

namespace zelto {

// Plays through Qt Multimedia. Each file keeps its loaded effect, so repeated commands start at once.
// Needs a running Qt event loop; a machine without a sound device plays nothing, and HasOutput says so.
class QtSoundPlayer final : public SoundPlayer {
  public:
    void Play(const std::string& path) override;
    void Preload(const std::string& path) override;
    bool HasOutput() const override;

  private:
    QSoundEffect* Effect(const std::string& path);  // null for a missing file
    std::map<std::string, std::unique_ptr<QSoundEffect>> effects_;
};

}  // namespace zelto
