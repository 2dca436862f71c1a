#include "circumstances/spoken_countdown.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <tuple>

#include "eclipse_data/file_text.h"

namespace zelto {

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

// Before C2 and C3: seconds before the contact and the word said then; the name follows at 0 s.
struct Lead {
    int seconds;
    std::string file;
};

std::vector<Lead> LeadWords() {
    std::vector<Lead> words{{60, kCountdownOneMinute}, {30, kCountdownThirtySeconds}};
    for (int n = 10; n >= 1; --n) words.push_back({n, CountdownNumberFile(n)});
    return words;
}

uint32_t LittleEndian(const unsigned char* bytes, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

}  // namespace

std::string CountdownNumberFile(int seconds) { return "countdown_" + std::to_string(seconds) + ".wav"; }

std::string ContactNameFile(int slot) {
    switch (slot) {
        case kC1: return "first_contact.wav";
        case kC2: return "second_contact.wav";
        case kC3: return "third_contact.wav";
        case kC4: return "fourth_contact.wav";
        default: return {};
    }
}

std::vector<std::string> CountdownFiles() {
    std::vector<std::string> files;
    for (const Lead& lead : LeadWords()) files.push_back(lead.file);
    for (int slot : {kC1, kC2, kC3, kC4}) files.push_back(ContactNameFile(slot));
    return files;
}

// RIFF/WAVE: the "fmt " chunk gives the bytes per second, the "data" chunk the number of bytes.
std::optional<double> WavDurationSeconds(const std::string& path) {
    std::ifstream in(PathOf(path), std::ios::binary);
    unsigned char riff[12];
    if (!in.read(reinterpret_cast<char*>(riff), sizeof riff) || std::string(riff, riff + 4) != "RIFF" ||
        std::string(riff + 8, riff + 12) != "WAVE") {
        return std::nullopt;
    }
    uint32_t bytesPerSecond = 0;
    unsigned char header[8];
    while (in.read(reinterpret_cast<char*>(header), sizeof header)) {
        const std::string id(header, header + 4);
        const uint32_t size = LittleEndian(header + 4, 4);
        if (id == "fmt ") {
            unsigned char format[16];
            if (size < sizeof format || !in.read(reinterpret_cast<char*>(format), sizeof format)) return std::nullopt;
            bytesPerSecond = LittleEndian(format + 8, 4);
            in.seekg(size - sizeof format + (size & 1), std::ios::cur);
        } else if (id == "data") {
            if (bytesPerSecond == 0) return std::nullopt;
            return static_cast<double>(size) / bytesPerSecond;
        } else {
            in.seekg(size + (size & 1), std::ios::cur);  // chunks are padded to an even size
        }
    }
    return std::nullopt;
}

WordLengths ReadWordLengths(const std::string& folder) {
    WordLengths lengths;
    for (const std::string& file : CountdownFiles()) {
        lengths[file] = WavDurationSeconds(folder + file).value_or(kUnknownWordLength);
    }
    return lengths;
}

std::vector<CountdownWord> CountdownSchedule(const std::array<double, kContactSlots>& contactJD,
                                             const WordLengths& lengths) {
    // Whole milliseconds from the first contact shown, so that words meant for one instant compare equal.
    double reference = 0;
    for (double jd : contactJD) {
        if (jd != 0 && (reference == 0 || jd < reference)) reference = jd;
    }
    if (reference == 0) return {};
    struct Timed {
        int64_t ms;
        int slot;
        std::string file;
    };
    std::vector<Timed> words;
    for (int slot : {kC1, kC2, kC3, kC4}) {
        if (contactJD[static_cast<size_t>(slot)] == 0) continue;
        const int64_t at = std::llround((contactJD[static_cast<size_t>(slot)] - reference) * kMillisecondsPerDay);
        if (slot == kC2 || slot == kC3) {
            for (const Lead& lead : LeadWords()) words.push_back({at - lead.seconds * 1000, slot, lead.file});
        }
        words.push_back({at, slot, ContactNameFile(slot)});
    }
    // In time order; on one instant the later contact's word first, so the earlier contact's is kept.
    std::sort(words.begin(), words.end(),
              [](const Timed& a, const Timed& b) { return std::tie(a.ms, b.slot) < std::tie(b.ms, a.slot); });

    std::vector<CountdownWord> kept;
    int64_t nextMs = INT64_MAX;
    for (auto word = words.rbegin(); word != words.rend(); ++word) {
        const auto length = lengths.find(word->file);
        const double seconds = length != lengths.end() ? length->second : kUnknownWordLength;
        if (word->ms + std::llround(seconds * 1000) > nextMs) continue;  // would run into the next word
        kept.push_back({reference + static_cast<double>(word->ms) / kMillisecondsPerDay, word->file});
        nextMs = word->ms;
    }
    std::reverse(kept.begin(), kept.end());
    return kept;
}

std::optional<std::string> SpokenCountdown::Poll(const std::array<double, kContactSlots>& contactJD, double nowJD) {
    constexpr double kLateDays = kCountdownLateSeconds / 86400.0;
    const double from = lastPollJD_ && *lastPollJD_ <= nowJD ? *lastPollJD_ : nowJD - kLateDays;
    lastPollJD_ = nowJD;

    const std::vector<CountdownWord> schedule = CountdownSchedule(contactJD, lengths_);
    // The last word that fell due in (from, now].
    const auto next = std::upper_bound(schedule.begin(), schedule.end(), nowJD,
                                       [](double now, const CountdownWord& word) { return now < word.jd; });
    if (next == schedule.begin()) return std::nullopt;
    const CountdownWord& due = *std::prev(next);
    if (due.jd <= from || nowJD - due.jd > kLateDays) return std::nullopt;
    const auto length = lengths_.find(due.file);
    const double seconds = length != lengths_.end() ? length->second : kUnknownWordLength;
    if (next != schedule.end() && nowJD + seconds / 86400.0 > next->jd) return std::nullopt;
    return due.file;
}

}  // namespace zelto
