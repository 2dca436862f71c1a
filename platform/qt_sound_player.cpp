#include "platform/qt_sound_player.h"

#include <QFileInfo>
#include <QUrl>

#include "platform/qt_text.h"

namespace zelto {

void QtSoundPlayer::Play(const std::string& path) {
    const QString file = ToQString(path);
    if (!QFileInfo(file).isFile()) return;  // a missing file plays nothing, with no message
    std::unique_ptr<QSoundEffect>& effect = effects_[path];
    if (!effect) {
        effect = std::make_unique<QSoundEffect>();
        effect->setSource(QUrl::fromLocalFile(file));
    }
    // A file still loading starts as soon as it is ready.
    effect->play();
}

}  // namespace zelto
