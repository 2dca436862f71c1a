#include "platform/qt_sound_player.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QUrl>

#include "platform/qt_text.h"

namespace zelto {

QSoundEffect* QtSoundPlayer::Effect(const std::string& path) {
    const QString file = ToQString(path);
    if (!QFileInfo(file).isFile()) return nullptr;  // a missing file plays nothing, with no message
    std::unique_ptr<QSoundEffect>& effect = effects_[path];
    if (!effect) {
        effect = std::make_unique<QSoundEffect>();
        effect->setSource(QUrl::fromLocalFile(file));
    }
    return effect.get();
}

void QtSoundPlayer::Play(const std::string& path) {
    // A file still loading starts as soon as it is ready.
    if (QSoundEffect* effect = Effect(path)) effect->play();
}

void QtSoundPlayer::Preload(const std::string& path) {
    Effect(path);
}

bool QtSoundPlayer::HasOutput() const {
    return !QMediaDevices::audioOutputs().isEmpty();
}

}  // namespace zelto
