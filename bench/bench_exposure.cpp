// The generator runs on every press of "Create Exposure Table"; save and load on the File menu.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "camera/row_files.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/eclipse_state.h"
#include "eclipse_data/julian.h"
#include "exposure/generator.h"
#include "exposure/table_check.h"
#include "exposure/table_file.h"

namespace {

using namespace zelto;

// Eclipse 51 at 25° N, 103.5° W: a total eclipse with every contact above the horizon.
GeneratorInput TotalInput(int partialInterval) {
    GeneratorInput in;
    const auto ut = [](int h, int m, int s) { return CalendarToJD(2024, 4, 8, h, m, s); };
    in.ContactJD = {ut(16, 58, 45), ut(18, 16, 17), ut(18, 17, 51), ut(18, 19, 26), ut(19, 40, 26)};
    in.VisibilityCode = VisibilityCode(in.ContactJD);
    in.Place.LocalType = 't';
    in.Eclipse = CatalogRecord(BuiltInCatalog(), 51);
    in.DeltaT = 69.2;
    in.Options.PartialInterval = partialInterval;
    return in;
}

void BM_GenerateTotal(benchmark::State& state) {
    const GeneratorInput in = TotalInput(static_cast<int>(state.range(0)));
    ExposureTable table;
    for (auto _ : state) {
        CreateExposureTable(in, table);
        benchmark::DoNotOptimize(table.RowCount());
    }
    state.counters["rows"] = table.RowCount();
}
BENCHMARK(BM_GenerateTotal)->Arg(1)->Arg(5);

// A sunrise partial eclipse: the horizon search steps back 2.5 s at a time over about an hour.
void BM_GeneratePartialAtSunrise(benchmark::State& state) {
    GeneratorInput in = TotalInput(1);
    in.Place.LocalType = 'p';
    in.Place.Latitude = 0;
    // Hour angle −75° at t = 0 on the equator: the Sun rose about an hour before.
    in.Place.Longitude = (in.Eclipse.Mu[0] - 0.00417807 * in.DeltaT + 75) * 3.141592653589793 / 180;
    in.Place.ContactTime[kMx] = 0;
    in.ContactJD[kC1] = in.ContactJD[kC2] = in.ContactJD[kC3] = 0;
    in.VisibilityCode = VisibilityCode(in.ContactJD);
    ExposureTable table;
    for (auto _ : state) {
        CreateExposureTable(in, table);
        benchmark::DoNotOptimize(table.RowCount());
    }
    state.counters["rows"] = table.RowCount();
}
BENCHMARK(BM_GeneratePartialAtSunrise);

const TableFileSite kSite{51, "25.0000", true, "103.5000", false, "800"};

void BM_SaveTable(benchmark::State& state) {
    ExposureTable table;
    CreateExposureTable(TotalInput(1), table);
    const std::string path = (std::filesystem::temp_directory_path() / "zelto_bench_table.txt").string();
    for (auto _ : state) benchmark::DoNotOptimize(SaveExposureTable(path, kSite, table).saved);
    std::filesystem::remove(path);
    state.counters["rows"] = table.RowCount();
}
BENCHMARK(BM_SaveTable);

void BM_LoadTable(benchmark::State& state) {
    ExposureTable table;
    CreateExposureTable(TotalInput(1), table);
    const std::string path = (std::filesystem::temp_directory_path() / "zelto_bench_table_load.txt").string();
    SaveExposureTable(path, kSite, table);
    for (auto _ : state) benchmark::DoNotOptimize(LoadExposureTable(path).table.RowCount());
    std::filesystem::remove(path);
    state.counters["rows"] = table.RowCount();
}
BENCHMARK(BM_LoadTable);

// The table check runs after every edit of a cell: a table of 2048 rows (photograph rows 10 s apart
// with three pictures each, a sound row every 50 rows, a batch row every 100) with this computer's
// file rules and the camera tables. Goal: under 50 ms.
void BM_CheckTable2048(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zelto_bench_check";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "ok.sh") << "true\n";
    WorkingFolders folders;
    folders.AppDataFolder = folders.ResourceFolder = folder.string() + "/";
    const double start = CalendarToJD(2024, 4, 8, 16, 0, 0);
    ExposureTable table(0);
    for (int i = 0; i < 2048; ++i) {
        ExposureRow row;
        row[kColumnDateTime] = JDText(start + i * 10.0 / 86400.0, 1);
        if (i % 100 == 99) {
            row[kColumnKind] = "BAT", row[kColumnPhase] = "ok.sh";
        } else if (i % 50 == 49) {
            row[kColumnKind] = "WAV", row[kColumnPhase] = "remove_filters.wav";
        } else {
            row[kColumnPhase] = "partial", row[kColumnQuality] = "JPGLarFin", row[kColumnISO] = "100";
            row[kColumnAperture] = "f/4", row[9] = row[10] = row[11] = "x";
        }
        table.AppendRow(row);
    }
    const TableCheckInput input = TableCheckInputFor(folders, start + 0.1, CameraTimingOf("gphoto2"));
    size_t findings = 0;
    for (auto _ : state) {
        findings = CheckExposureTable(table, input).size();
        benchmark::DoNotOptimize(findings);
    }
    std::filesystem::remove_all(folder);
    state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(BM_CheckTable2048)->Unit(benchmark::kMillisecond);

}  // namespace
