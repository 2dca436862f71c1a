#include "eclipse_data/catalog.h"

#include "eclipse_data/julian.h"

namespace zelto {

void FillEclipseCatalog(EclipseCatalogTable& catalog) {
    catalog = kCatalogSource;
    for (EclipseRecord& record : catalog) {
        record.JDT0 = static_cast<float>(CalendarToJD(record.Year, record.Month, record.Day, record.T0, 0, 0));
    }
}

const EclipseCatalogTable& BuiltInCatalog() {
    static const EclipseCatalogTable catalog = [] {
        EclipseCatalogTable filled;
        FillEclipseCatalog(filled);
        return filled;
    }();
    return catalog;
}

int NextEclipseNumber(const EclipseCatalogTable& catalog, double nowJD) {
    for (int number = 1; number <= kEclipseCount; ++number) {
        const EclipseRecord& record = CatalogRecord(catalog, number);
        if (CalendarToJD(record.Year, record.Month, record.Day, 0, 0, 0) + 1 > nowJD) return number;
    }
    return kEclipseCount;
}

}  // namespace zelto
