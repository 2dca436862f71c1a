#include "circumstances/recompute.h"

#include "circumstances/solver.h"

namespace zelto {

PassResult RecomputePass(SharedVariables& shared, MapSize map) {
    PassResult result;
    EclipseState& eclipse = shared.eclipse;
    StadtType& place = shared.contacts.Stadt;
    result.site = ApplySite(shared.site, map, eclipse, place);
    ComputeLocalCircumstances(eclipse.CurrentEclipse, eclipse.DeltaT, place);

    ContactInstants instants;
    result.contacts = ShowContacts(eclipse.CurrentEclipse, eclipse.DeltaT, eclipse.GreatestEclipseTime, place,
                                   shared.time.CurrentJD, shared.time.TenthsFlag, instants);
    shared.contacts.ContactJD = instants.ContactJD;
    shared.contacts.P1JD = instants.P1JD;
    shared.contacts.P4JD = instants.P4JD;
    eclipse.P1Time = instants.P1Time;
    eclipse.P4Time = instants.P4Time;
    return result;
}

}  // namespace zelto
