#pragma once

#include <string>

// Playing a sound file, asynchronously: Play returns at once. The photography run and the windows
// play through it; platform/qt_sound_player.h is the program's implementation and tests record the
// calls.

namespace zelto {

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    // Starts playing the WAV file at `path`. A missing or unreadable file plays nothing.
    virtual void Play(const std::string& path) = 0;
    // Loads the file ahead of its first Play, so that a word due on an instant starts on it.
    virtual void Preload(const std::string& path) { (void)path; }
    // False when the computer has no sound output: every Play is then silent.
    virtual bool HasOutput() const { return true; }
};

// What the windows show while HasOutput is false.
inline constexpr const char* kNoSoundOutputText =
    "No sound output: spoken countdown and sound rows are silent";

// The sounds the program plays itself, in ResourceFolder.
inline constexpr const char* kOkSound = "OK.wav";
inline constexpr const char* kRemoveFiltersSound = "remove_filters.wav";
inline constexpr const char* kAttachFiltersSound = "attach_filters.wav";

}  // namespace zelto
