#pragma once

#include "circumstances/contact_display.h"
#include "circumstances/site.h"
#include "eclipse_data/variables.h"

namespace zelto {

struct PassResult {
    SiteView site;
    ContactDisplay contacts;
};

// One recompute pass over the shared state: ApplySite, ComputeLocalCircumstances, ShowContacts.
// Measures the countdowns against shared.time.CurrentJD and stores ContactJD, P1 and P4.
PassResult RecomputePass(SharedVariables& shared, MapSize map = {});

}  // namespace zelto
