#pragma once

#include "circumstances/recompute.h"
#include "eclipse_data/julian.h"
#include "exposure/generator.h"
#include "exposure/table.h"
#include "state/variables.h"

namespace zelto {

// The generator's table for eclipse 51 (2024-04-08) at the default site (25° N, 103.5° W, total),
// from a recompute pass: what the exposure window creates there. maxExposure 8 adds the 8 s column.
inline ExposureTable Eclipse51TotalTable(int maxExposure = 8) {
    SharedVariables shared;
    FillEclipseCatalog(shared.eclipse.EclipseCatalog);
    shared.time.TenthsFlag = 1;
    shared.time.CurrentJD = CalendarToJD(2024, 4, 8, 17, 0, 0);
    SelectEclipse(shared.eclipse, 51, "");
    RecomputePass(shared.site, shared.eclipse, shared.contacts, shared.time);
    ExposureOptions options;
    options.MaxExposure = maxExposure;
    const GeneratorInput in = GeneratorInputForSite(shared.contacts, shared.eclipse, options, {});
    ExposureTable table;
    CreateExposureTable(in, table);
    return table;
}

}  // namespace zelto
