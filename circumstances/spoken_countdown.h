#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "circumstances/site_place.h"

// The spoken countdown: "one minute", "thirty seconds", "ten" … "one" and the contact's name before
// C2 and C3, and the name alone at C1 and C4, each word a WAV file in ResourceFolder. The schedule
// follows ContactJD and is measured against the clock in force (rehearsal offset included), so it is
// heard the same way with or without a photography run.

namespace zelto {

// The words' sound files.
inline constexpr const char* kCountdownOneMinute = "countdown_one_minute.wav";
inline constexpr const char* kCountdownThirtySeconds = "countdown_thirty_seconds.wav";
std::string CountdownNumberFile(int seconds);  // 1 to 10: "countdown_7.wav"
std::string ContactNameFile(int slot);         // kC1 … kC4: "first_contact.wav" …; empty for kMx
// Every file the countdown may play.
std::vector<std::string> CountdownFiles();

// How long each file sounds, in seconds, by file name.
using WordLengths = std::map<std::string, double, std::less<>>;

// The playing time of a PCM WAV file from its header; nullopt when the file cannot be read as one.
std::optional<double> WavDurationSeconds(const std::string& path);
// The lengths of CountdownFiles() in `folder`; a file that cannot be read counts as kUnknownWordLength.
WordLengths ReadWordLengths(const std::string& folder);
inline constexpr double kUnknownWordLength = 1.0;

struct CountdownWord {
    double jd = 0;     // UT instant the word starts
    std::string file;  // its sound file
    bool operator==(const CountdownWord&) const = default;
};

// The words for the contacts shown (a ContactJD of 0 has none), in time order, without the words that
// would still be sounding when the next word starts: of two words that would overlap, the earlier is
// dropped. Words falling on the same instant count the one for the earlier contact as the later word,
// so the contact that comes first keeps its word.
std::vector<CountdownWord> CountdownSchedule(const std::array<double, kContactSlots>& contactJD,
                                             const WordLengths& lengths);

// Plays the schedule against a clock that is polled now and then (a timer): each poll returns the word
// to start, if one fell due since the previous poll. A word noticed more than kCountdownLateSeconds
// after its instant, or one that would now run into the next word, is dropped rather than played
// late; of several words that fell due between two polls only the last may be played. A clock set
// back (rehearsal ended) starts afresh from the new instant.
inline constexpr double kCountdownLateSeconds = 0.5;

class SpokenCountdown {
public:
    explicit SpokenCountdown(WordLengths lengths) : lengths_(std::move(lengths)) {}
    std::optional<std::string> Poll(const std::array<double, kContactSlots>& contactJD, double nowJD);
    // Forget the previous poll: the next one plays only what is due right then.
    void Restart() { lastPollJD_.reset(); }

private:
    WordLengths lengths_;
    std::optional<double> lastPollJD_;
};

}  // namespace zelto
