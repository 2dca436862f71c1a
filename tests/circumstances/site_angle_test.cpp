#include "circumstances/site_angle.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zelto {
namespace {

TEST(SiteAngle, ReadsTheAcceptedForms) {
    struct Case {
        const char* text;
        SiteAngleKind kind;
        double degrees;
    };
    const Case cases[] = {
        {"25", SiteAngleKind::kLatitude, 25},
        {"-103.5", SiteAngleKind::kLongitude, -103.5},
        {"+7.25", SiteAngleKind::kLongitude, 7.25},
        {"25N", SiteAngleKind::kLatitude, 25},
        {"25s", SiteAngleKind::kLatitude, -25},
        {"103.5W", SiteAngleKind::kLongitude, -103.5},
        {" 12.5 E ", SiteAngleKind::kLongitude, 12.5},
        {"45:30S", SiteAngleKind::kLatitude, -45.5},
        {"45:30:36N", SiteAngleKind::kLatitude, 45.51},
        {"103:30w", SiteAngleKind::kLongitude, -103.5},
        {"0:30.5E", SiteAngleKind::kLongitude, 30.5 / 60},
        // A sign applies to the whole value (the site edits' reading would give −44.5 here).
        {"-45:30", SiteAngleKind::kLatitude, -45.5},
        {"90S", SiteAngleKind::kLatitude, -90},
        {"181", SiteAngleKind::kLongitude, 181},  // the range is the caller's check
        {"25,6872", SiteAngleKind::kLatitude, 25.6872},
        {"32\u00b038'23\"N", SiteAngleKind::kLatitude, 32 + 38 / 60.0 + 23 / 3600.0},
        {"-32\u00b0 38.5'", SiteAngleKind::kLongitude, -(32 + 38.5 / 60)},
    };
    for (const Case& c : cases) {
        const std::optional<double> value = ParseSiteAngle(c.text, c.kind);
        ASSERT_TRUE(value.has_value()) << c.text;
        EXPECT_NEAR(*value, c.degrees, 1e-12) << c.text;
    }
}

TEST(SiteAngle, RefusesEverythingElse) {
    struct Case {
        const char* text;
        SiteAngleKind kind;
    };
    const Case cases[] = {
        {"", SiteAngleKind::kLatitude},        {"   ", SiteAngleKind::kLatitude},
        {"N", SiteAngleKind::kLatitude},       {"25X", SiteAngleKind::kLatitude},
        {"25E", SiteAngleKind::kLatitude},     {"25N", SiteAngleKind::kLongitude},
        {"-25N", SiteAngleKind::kLatitude},    {"+25S", SiteAngleKind::kLatitude},
        {"45:60N", SiteAngleKind::kLatitude},  {"45:30:60", SiteAngleKind::kLatitude},
        {"1:2:3:4", SiteAngleKind::kLatitude}, {"45::30", SiteAngleKind::kLatitude},
        {"45:", SiteAngleKind::kLatitude},     {":30N", SiteAngleKind::kLatitude},
        {"4 5", SiteAngleKind::kLatitude},     {"1e2", SiteAngleKind::kLatitude},
        {"1.2.3", SiteAngleKind::kLatitude},   {"nan", SiteAngleKind::kLatitude},
        {"inf", SiteAngleKind::kLongitude},    {"--5", SiteAngleKind::kLongitude},
        {"45:-30", SiteAngleKind::kLatitude},  {"NN", SiteAngleKind::kLatitude},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(ParseSiteAngle(c.text, c.kind).has_value()) << '"' << c.text << '"';
}

}  // namespace
}  // namespace zelto
