#include "circumstances/recompute.h"

#include "circumstances/solver.h"

namespace zelto {

PassResult RecomputePass(const SiteInputs& site, EclipseState& eclipse, ContactState& contacts,
                         const TimeSource& time, MapSize map) {
    PassResult result;
    SitePlace& place = contacts.Place;
    const double deltaTBefore = eclipse.DeltaT;
    result.site = ApplySite(site, map, eclipse, place);
    if (eclipse.DeltaT != deltaTBefore) {
        UpdateGreatestEclipse(eclipse);
        result.deltaTChanged = true;
    }
    ComputeLocalCircumstances(eclipse.CurrentEclipse, eclipse.DeltaT, place);

    ContactInstants instants;
    result.contacts = ShowContacts(eclipse.CurrentEclipse, eclipse.DeltaT, eclipse.GreatestEclipseTime, place,
                                   time.CurrentJD, time.TenthsFlag, instants);
    contacts.ContactJD = instants.ContactJD;
    contacts.P1JD = instants.P1JD;
    contacts.P4JD = instants.P4JD;
    eclipse.P1Time = instants.P1Time;
    eclipse.P4Time = instants.P4Time;
    return result;
}

}  // namespace zelto
