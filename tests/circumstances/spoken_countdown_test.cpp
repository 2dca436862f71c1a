#include "circumstances/spoken_countdown.h"

#include <gtest/gtest.h>

#include "circumstances/recompute.h"
#include "eclipse_data/julian.h"
#include "state/variables.h"

namespace zelto {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

struct Heard {
    double secondsFrom;  // from the reference instant the test names
    std::string file;
};

// Polls the countdown every 50 ms on a simulated clock from `fromJD` to `toJD`, as the main window's
// timer does, and returns each word started with its instant.
std::vector<std::pair<double, std::string>> Listen(SpokenCountdown& countdown,
                                                   const std::array<double, kContactSlots>& contacts, double fromJD,
                                                   double toJD) {
    FakeClock clock(fromJD, 0);
    std::vector<std::pair<double, std::string>> heard;
    while (clock.CurrentJD() <= toJD) {
        if (auto word = countdown.Poll(contacts, clock.NowJD())) heard.emplace_back(clock.CurrentJD(), *word);
        clock.AdvanceMs(50);
    }
    return heard;
}

// The words before C2 or C3, worked out by hand: seconds before the contact and the file.
std::vector<Heard> CountdownTo(const std::string& contactFile) {
    std::vector<Heard> words{{-60, "countdown_one_minute.wav"}, {-30, "countdown_thirty_seconds.wav"}};
    for (int n = 10; n >= 1; --n) words.push_back({-static_cast<double>(n), "countdown_" + std::to_string(n) + ".wav"});
    words.push_back({0, contactFile});
    return words;
}

std::array<double, kContactSlots> ContactsAt(int eclipse, const SiteInputs& site, char& localType) {
    SharedVariables shared;
    FillEclipseCatalog(shared.eclipse.EclipseCatalog);
    SelectEclipse(shared.eclipse, eclipse, "");
    shared.site = site;
    const EclipseRecord& record = shared.eclipse.CurrentEclipse;
    shared.time.CurrentJD = CalendarToJD(record.Year, record.Month, record.Day, 0, 0, 0);
    RecomputePass(shared.site, shared.eclipse, shared.contacts, shared.time);
    localType = shared.contacts.Place.LocalType;
    return shared.contacts.ContactJD;
}

// Eclipse 51 at the default site (total) and eclipse 50, 2023-10-14, at Albuquerque (annular): every
// word starts within one poll (50 ms) of its instant, with the lengths of the program's own files.
TEST(SpokenCountdown, WordsOnTheirInstantsAtATotalAndAnAnnularSite) {
    const WordLengths lengths = ReadWordLengths(ZELTO_RESOURCES);
    for (const std::string& file : CountdownFiles()) {
        EXPECT_GT(lengths.at(file), 0.2) << file;  // read from the WAV header, not the fallback
        EXPECT_LT(lengths.at(file), 1.5) << file;
    }
    for (int n = 1; n <= 10; ++n) EXPECT_LT(lengths.at(CountdownNumberFile(n)), 0.95) << n;  // 1 s apart
    struct Site {
        int eclipse;
        SiteInputs inputs;
        char type;
    };
    const Site sites[] = {{51, SiteInputs{}, 't'}, {50, {"35.0844", "N", "106.6504", "W", "1619", "71"}, 'a'}};
    for (const Site& site : sites) {
        char type = 0;
        const auto contacts = ContactsAt(site.eclipse, site.inputs, type);
        ASSERT_EQ(type, site.type) << site.eclipse;
        SpokenCountdown countdown(lengths);
        const std::pair<int, std::vector<Heard>> expected[] = {{kC1, {{0, "first_contact.wav"}}},
                                                               {kC2, CountdownTo("second_contact.wav")},
                                                               {kC3, CountdownTo("third_contact.wav")},
                                                               {kC4, {{0, "fourth_contact.wav"}}}};
        for (const auto& [slot, words] : expected) {
            const double contact = contacts[static_cast<size_t>(slot)];
            const auto heard = Listen(countdown, contacts, contact - 65 * kSecond, contact + 2 * kSecond);
            ASSERT_EQ(heard.size(), words.size()) << site.eclipse << " slot " << slot;
            for (size_t i = 0; i < words.size(); ++i) {
                EXPECT_EQ(heard[i].second, words[i].file);
                const double late = (heard[i].first - (contact + words[i].secondsFrom * kSecond)) / kSecond;
                EXPECT_GE(late, -1e-4) << words[i].file;
                EXPECT_LE(late, 0.0501) << words[i].file;
            }
        }
    }
}

// Two countdowns close together: of two words that would overlap, the earlier is dropped; on one
// instant the earlier contact keeps its word. Lengths: numbers 0.5 s, "one minute" 0.8 s, "thirty
// seconds" 1.1 s, contact names 1.3 s.
TEST(SpokenCountdown, WordsFallingTogetherAreDropped) {
    WordLengths lengths;
    for (const std::string& file : CountdownFiles()) lengths[file] = 0.5;
    lengths["countdown_one_minute.wav"] = 0.8;
    lengths["countdown_thirty_seconds.wav"] = 1.1;
    for (const char* name : {"first_contact.wav", "second_contact.wav", "third_contact.wav", "fourth_contact.wav"})
        lengths[name] = 1.3;
    const double c2 = CalendarToJD(2030, 6, 1, 12, 0, 0);

    struct Case {
        double c3AfterC2;
        std::vector<Heard> heard;  // seconds from C2
    };
    const Case cases[] = {
        // C3 20.5 s after C2: its "thirty seconds" (C2 − 9.5 s) would run into C2's "nine".
        {20.5,
         {{-60, "countdown_one_minute.wav"}, {-39.5, "countdown_one_minute.wav"}, {-30, "countdown_thirty_seconds.wav"},
          {-10, "countdown_10.wav"}, {-9, "countdown_9.wav"}, {-8, "countdown_8.wav"}, {-7, "countdown_7.wav"},
          {-6, "countdown_6.wav"}, {-5, "countdown_5.wav"}, {-4, "countdown_4.wav"}, {-3, "countdown_3.wav"},
          {-2, "countdown_2.wav"}, {-1, "countdown_1.wav"}, {0, "second_contact.wav"}, {10.5, "countdown_10.wav"},
          {11.5, "countdown_9.wav"}, {12.5, "countdown_8.wav"}, {13.5, "countdown_7.wav"}, {14.5, "countdown_6.wav"},
          {15.5, "countdown_5.wav"}, {16.5, "countdown_4.wav"}, {17.5, "countdown_3.wav"}, {18.5, "countdown_2.wav"},
          {19.5, "countdown_1.wav"}, {20.5, "third_contact.wav"}}},
        // C3 3 s after C2: C3's "ten" … "four" fall on C2's "seven" … "one", which keep their
        // instants; "second contact" would run into C3's "two", so C3's "three" is heard at C2.
        {3,
         {{-60, "countdown_one_minute.wav"}, {-57, "countdown_one_minute.wav"}, {-30, "countdown_thirty_seconds.wav"},
          {-27, "countdown_thirty_seconds.wav"}, {-10, "countdown_10.wav"}, {-9, "countdown_9.wav"},
          {-8, "countdown_8.wav"}, {-7, "countdown_7.wav"}, {-6, "countdown_6.wav"}, {-5, "countdown_5.wav"},
          {-4, "countdown_4.wav"}, {-3, "countdown_3.wav"}, {-2, "countdown_2.wav"}, {-1, "countdown_1.wav"},
          {0, "countdown_3.wav"}, {1, "countdown_2.wav"}, {2, "countdown_1.wav"}, {3, "third_contact.wav"}}},
    };
    for (const Case& test : cases) {
        const std::array<double, kContactSlots> contacts{0, c2, c2 + test.c3AfterC2 / 2 * kSecond,
                                                         c2 + test.c3AfterC2 * kSecond, 0};
        SpokenCountdown countdown(lengths);
        const auto heard = Listen(countdown, contacts, c2 - 70 * kSecond, c2 + 30 * kSecond);
        ASSERT_EQ(heard.size(), test.heard.size()) << test.c3AfterC2;
        for (size_t i = 0; i < heard.size(); ++i) {
            EXPECT_EQ(heard[i].second, test.heard[i].file) << test.c3AfterC2 << " word " << i;
            EXPECT_NEAR((heard[i].first - c2) / kSecond, test.heard[i].secondsFrom, 0.051) << heard[i].second;
        }
    }

    // A clock that jumps ("Advance Time") plays nothing it passed over; one set back counts down again.
    const std::array<double, kContactSlots> contacts{0, c2, c2 + 60 * kSecond, c2 + 120 * kSecond, 0};
    SpokenCountdown countdown(lengths);
    EXPECT_FALSE(countdown.Poll(contacts, c2 - 12 * kSecond));
    EXPECT_FALSE(countdown.Poll(contacts, c2 - 5.2 * kSecond));  // "ten" … "six" passed over
    EXPECT_EQ(countdown.Poll(contacts, c2 - 4.9 * kSecond), "countdown_5.wav");
    EXPECT_EQ(countdown.Poll(contacts, c2 - 9.95 * kSecond), "countdown_10.wav");  // set back
    EXPECT_FALSE(countdown.Poll(contacts, c2 - 9.9 * kSecond));                    // said once
}

}  // namespace
}  // namespace zelto
