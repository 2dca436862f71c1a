// zelto-cli catalog and zelto-cli deltat.
#include <charconv>
#include <iostream>

#include "app/cli_commands.h"
#include "eclipse_data/julian.h"
#include "eclipse_data/number_text.h"
#include "state/variables.h"

namespace zelto::cli {

namespace {

// The shortest text that reads back to the same 32-bit float.
std::string FloatText(float value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

void PrintRecord(int number, const EclipseRecord& r) {
    std::cout << number << ',' << r.Year << ',' << r.Month << ',' << r.Day << ',' << r.EclipseType << ','
              << r.T0;
    const auto floats = [](const float* values, int count) {
        for (int i = 0; i < count; ++i) std::cout << ',' << FloatText(values[i]);
    };
    floats(r.X, 4);
    floats(r.Y, 4);
    floats(r.D, 3);
    floats(r.Mu, 2);
    floats(r.L1, 3);
    floats(r.L2, 3);
    std::cout << ',' << FloatText(r.TanF1) << ',' << FloatText(r.TanF2) << ',' << FloatText(r.Gamma) << ','
              << r.Lunation << ',' << r.SarosSeries << ',' << static_cast<int>(r.SarosMember) << ','
              << static_cast<int>(r.SarosLength) << '\n';
}

}  // namespace

int CatalogCommand(const Arguments& args) {
    if (!args.empty()) return UsageError("catalog takes no arguments");
    std::cout << "number,year,month,day,type,t0,x0,x1,x2,x3,y0,y1,y2,y3,d0,d1,d2,mu0,mu1,l1_0,l1_1,l1_2,"
                 "l2_0,l2_1,l2_2,tan_f1,tan_f2,gamma,lunation,saros_series,saros_member,saros_length\n";
    const EclipseCatalogTable& catalog = BuiltInCatalog();
    for (int n = 1; n <= kEclipseCount; ++n) PrintRecord(n, CatalogRecord(catalog, n));
    return 0;
}

int DeltaTCommand(const Arguments& args) {
    if (args.size() != 2) return UsageError("usage: deltat YEAR MONTH");
    const auto year = ParseInteger(args[0]);
    const auto month = ParseInteger(args[1]);
    if (!year || *year < -100000 || *year > 100000) return UsageError("deltat: unreadable year '" + args[0] + "'");
    if (!month || *month < 1 || *month > 12) return UsageError("deltat: month must be 1 to 12, not '" + args[1] + "'");
    std::cout << FixedText(DeltaTForDate(static_cast<double>(*year), static_cast<double>(*month)), 1) << '\n';
    return 0;
}

}  // namespace zelto::cli
