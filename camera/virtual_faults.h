#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelto {

class VirtualCamera;

// A bad day for the virtual camera, to rehearse a run against: `zelto-cli run --inject SPEC` and
// ZELTO_VIRTUAL_FAULTS=SPEC for the program. SPEC is a comma-separated list of
//   busy@R[xN]     the camera answers busy N times (1 without xN) once row R has begun
//   fail@R[xN]     a general failure N times (1 without xN) once row R has begun
//   unplug@R[+N]   the camera is unplugged as row R begins and plugged back N rows later (never without +N)
//   slow=MS        every setting write and every picture takes MS milliseconds longer
// with rows numbered from 1 as zelto-cli run prints them.
struct VirtualFault {
    enum class Kind { Busy, Fail, Unplug };
    Kind kind = Kind::Busy;
    int row = 1;    // from 1
    int count = 1;  // Busy, Fail: how many answers; Unplug: rows until plugged back, 0 = never
};

struct VirtualFaultPlan {
    std::vector<VirtualFault> faults;
    double slowerMs = 0;
};

struct VirtualFaultReading {
    std::optional<VirtualFaultPlan> plan;
    std::string error;  // why SPEC cannot be read, when it cannot
};
VirtualFaultReading ReadVirtualFaults(std::string_view spec);

// Plays a plan's row faults on a virtual camera as a run reaches each table row. (The slowness is
// part of the body's times: UseSimulatedBodyTimes.)
class VirtualFaultInjector {
  public:
    VirtualFaultInjector(VirtualCamera& camera, VirtualFaultPlan plan);
    // Row `row` of the table (from 0) begins. Row 0 starts the rehearsal afresh: camera attached,
    // no failure pending.
    void RowStarting(int row);

  private:
    VirtualCamera& camera_;
    VirtualFaultPlan plan_;
};

}  // namespace zelto
