// Several bodies: which body a name takes, and whose faults a rehearsal plays.
#include "camera/camera_set.h"
#include "camera/virtual_camera.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zelto {
namespace {

TEST(CameraSet, BodiesAreMatchedBySerialWhereverTheyArePlugged) {
    using Found = std::vector<std::optional<std::string>>;
    struct Case {
        const char* what;
        std::vector<std::string> known;  // the serial kept for each name
        Found found;                     // the serial on each port
        std::vector<int> match;
    };
    const Case cases[] = {
        {"first connect: each name takes its own port", {"", ""}, {"A", "B"}, {0, 1}},
        {"ports swapped: the serials follow the bodies", {"A", "B"}, {"B", "A"}, {1, 0}},
        {"a kept body that is missing is not replaced by a stranger", {"A", "B"}, {"C", "A"}, {1, -1}},
        {"a new name takes the body no kept serial claims", {"A", ""}, {"A", "C"}, {0, 1}},
        {"a new name does not take a body kept for another name", {"", "B"}, {"B", std::nullopt}, {-1, 0}},
        {"a name whose port has no body does not take another name's",
         {"", ""},
         {std::nullopt, "B"},
         {-1, 1}},
        {"ports swapped, one serial not kept yet", {"A", ""}, {"B", "A"}, {1, 0}},
        {"two identical bodies without serials go by port", {"", ""}, {"", ""}, {0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(MatchBodies(c.known, c.found), c.match);
    }
}

TEST(CameraSet, FaultsAreRehearsedOnTheNamedBody) {
    const std::vector<std::string> names = {"Tele", "Wide"};
    const BodyFaultReading reading =
        ReadBodyFaults("unplug@Tele:19+3, busy@Wide:2x4, fail@5, slow=40", names);
    ASSERT_TRUE(reading.error.empty()) << reading.error;
    const VirtualFaultPlan& tele = reading.plans.at("Tele");
    const VirtualFaultPlan& wide = reading.plans.at("Wide");
    ASSERT_EQ(tele.faults.size(), 2u);  // its own unplug, and the fail for every body
    EXPECT_EQ(tele.faults[0].kind, VirtualFault::Kind::Unplug);
    EXPECT_EQ(tele.faults[0].row, 19);
    EXPECT_EQ(tele.faults[0].count, 3);
    EXPECT_EQ(tele.faults[1].kind, VirtualFault::Kind::Fail);
    ASSERT_EQ(wide.faults.size(), 2u);
    EXPECT_EQ(wide.faults[0].kind, VirtualFault::Kind::Busy);
    EXPECT_EQ(wide.faults[0].count, 4);
    EXPECT_EQ(tele.slowerMs, 40);
    EXPECT_EQ(wide.slowerMs, 40);

    for (const char* bad : {"unplug@Lens:19", "busy@Tele:", "unplug@Tele:x"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ReadBodyFaults(bad, names).error.empty());
    }
}

// A body known by its serial number: plugged back into another port it is found there, past a
// stranger; with only strangers about, it stays lost rather than become the wrong body.
TEST(CameraSet, ABodyPluggedBackElsewhereIsFoundByItsSerial) {
    std::map<std::string, std::string> serialOn = {{"usb:1", "T"}};  // the body on each port now
    std::map<std::string, VirtualCamera*> made;                      // the last library made on each port
    const auto libraryOn = [&](const std::string& port) {
        auto camera = std::make_unique<VirtualCamera>();
        camera->SetCallLog(false);
        const auto body = serialOn.find(port);
        camera->SetAttached(body != serialOn.end());
        if (body != serialOn.end()) camera->SetSerial(body->second);
        made[port] = camera.get();
        return std::make_unique<DeadlineSdk>(std::move(camera));
    };
    CameraBody tele(libraryOn("usb:1"));
    ASSERT_TRUE(tele.Connect({}, nullptr));
    ASSERT_NE(tele.Camera(), nullptr);
    std::vector<std::string> moves;
    tele.KnowBySerial("T", {[] {
                                return std::vector<std::string>{"usb:5", "usb:7"};
                            },
                            libraryOn, [&](const std::string& port) { moves.push_back(port); }});

    made["usb:1"]->SetAttached(false);
    serialOn = {{"usb:5", "W"}, {"usb:7", "T"}};
    ASSERT_TRUE(tele.Connect({}, nullptr));
    ASSERT_NE(tele.Camera(), nullptr);
    EXPECT_EQ(tele.Serial(), "T");
    EXPECT_EQ(moves, std::vector<std::string>{"usb:7"});

    made["usb:7"]->SetSerial("W");  // a stranger on its port now, another on usb:5
    serialOn = {{"usb:5", "W"}};
    ASSERT_TRUE(tele.Connect({}, nullptr));
    EXPECT_EQ(tele.Camera(), nullptr);
    EXPECT_EQ(moves.size(), 1u);
}

}  // namespace
}  // namespace zelto
