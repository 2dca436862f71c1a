#include "camera/virtual_faults.h"

#include "camera/edsdk.h"
#include "camera/virtual_camera.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

constexpr int kMaxNumber = 1000000;

// A whole number from 1 (or 0 when zero is allowed) up to a million, digits only.
std::optional<int> Number(std::string_view text, bool zeroAllowed = false) {
    if (text.empty() || text.size() > 7) return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > kMaxNumber || (value == 0 && !zeroAllowed)) return std::nullopt;
    return value;
}

// "R" followed by an optional separator and count, as in "19x3" or "19+3".
bool RowAndCount(std::string_view text, char separator, VirtualFault& fault) {
    const size_t at = text.find(separator);
    const auto row = Number(text.substr(0, at));
    if (!row) return false;
    fault.row = *row;
    if (at == std::string_view::npos) return true;
    const auto count = Number(text.substr(at + 1));
    if (!count) return false;
    fault.count = *count;
    return true;
}

}  // namespace

VirtualFaultReading ReadVirtualFaults(std::string_view spec) {
    VirtualFaultReading reading;
    if (Trimmed(spec).empty()) {
        reading.error = "no fault given";
        return reading;
    }
    VirtualFaultPlan plan;
    size_t start = 0;
    for (;;) {
        const size_t comma = spec.find(',', start);
        const std::string item =
            Trimmed(spec.substr(start, comma == std::string_view::npos ? comma : comma - start));
        const std::string_view text(item);
        VirtualFault fault;
        bool read = false;
        if (text.rfind("slow=", 0) == 0) {
            const auto ms = Number(text.substr(5), true);
            plan.slowerMs = ms.value_or(0);
            read = ms.has_value();
        } else {
            if (text.rfind("busy@", 0) == 0) {
                read = RowAndCount(text.substr(5), 'x', fault);
            } else if (text.rfind("fail@", 0) == 0) {
                fault.kind = VirtualFault::Kind::Fail;
                read = RowAndCount(text.substr(5), 'x', fault);
            } else if (text.rfind("unplug@", 0) == 0) {
                fault.kind = VirtualFault::Kind::Unplug;
                fault.count = 0;  // plugged back only with +N
                read = RowAndCount(text.substr(7), '+', fault);
            }
            if (read) plan.faults.push_back(fault);
        }
        if (!read) {
            reading.error =
                "cannot read the fault \"" + item +
                "\" (expected busy@ROW[xN], fail@ROW[xN], unplug@ROW[+N] or slow=MS; rows from 1)";
            return reading;
        }
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    reading.plan = std::move(plan);
    return reading;
}

VirtualFaultInjector::VirtualFaultInjector(VirtualCamera& camera, VirtualFaultPlan plan)
    : camera_(camera), plan_(std::move(plan)) {}

void VirtualFaultInjector::RowStarting(int row) {
    if (row == 0) {
        camera_.SetAttached(true);
        camera_.FailNextCommands(kEdsErrOk, 0);
    }
    const int number = row + 1;  // as zelto-cli run prints rows
    for (const VirtualFault& fault : plan_.faults) {
        switch (fault.kind) {
            case VirtualFault::Kind::Busy:
                if (fault.row == number) camera_.FailNextCommands(kEdsErrDeviceBusy, fault.count);
                break;
            case VirtualFault::Kind::Fail:
                if (fault.row == number) camera_.FailNextCommands(kEdsErrInternal, fault.count);
                break;
            case VirtualFault::Kind::Unplug:
                if (fault.row == number) camera_.SetAttached(false);
                if (fault.count > 0 && fault.row + fault.count == number) camera_.SetAttached(true);
                break;
        }
    }
}

}  // namespace zelto
