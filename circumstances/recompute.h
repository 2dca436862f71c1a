#pragma once

#include "circumstances/contact_display.h"
#include "circumstances/site.h"
#include "eclipse_data/clock.h"
#include "eclipse_data/eclipse_state.h"

namespace zelto {

struct PassResult {
    SiteView site;
    ContactDisplay contacts;
    // The pass changed the ΔT in force (the typed ΔT became unusable, or manual ΔT was switched):
    // greatest eclipse has been recomputed with it and the header must follow.
    bool deltaTChanged = false;
};

// One recompute pass: ApplySite, ComputeLocalCircumstances, ShowContacts. Measures the countdowns
// against time.CurrentJD and stores ContactJD, P1 and P4. Greatest eclipse always follows the ΔT in
// force.
PassResult RecomputePass(const SiteInputs& site, EclipseState& eclipse, ContactState& contacts,
                         const TimeSource& time, MapSize map = {});

}  // namespace zelto
