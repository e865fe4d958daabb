// Speed of the CSV engine and of the memo road on large files.
//
// Files are generated at run time in a temporary folder (nothing is kept):
// memo files of N rows with quoted fields, doubled quotes, commas and line
// breaks inside quotes, and Korean text, so the codec's slow paths are used.
//   varno_bench --benchmark_filter=Memo   the memo import into a fresh store
#include "converters/CSVMemo.h"
#include "manager/CSVMng.h"
#include "platform/CodePage.h"
#include "store/Store.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

fs::path BenchDir()
{
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("varno-bench-" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

// A memo file of `rows` data rows in UTF-8 (the benchmark runs with the
// ANSI code page set to UTF-8).
CString MemoFile(long rows)
{
    fs::path path = BenchDir() / ("memo-" + std::to_string(rows) + ".csv");
    if (!fs::exists(path)) {
        std::ofstream out(path, std::ios::binary);
        out << "\"memo\",\"color\"\r\n";
        for (long i = 0; i < rows; ++i) {
            switch (i % 4) {
            case 0: out << "\"Buy milk, eggs and bread " << i << "\",\"red\"\r\n"; break;
            case 1: out << "\"She said \"\"hello\"\" to me\",\"blue\"\r\n"; break;
            case 2: out << "\"first line\r\nsecond line " << i << "\",\"green\"\r\n"; break;
            default: out << "\xEC\x95\x88\xEB\x85\x95\xED\x95\x98\xEC\x84\xB8\xEC\x9A\x94 " << i << ",yellow\r\n"; break;
            }
        }
    }
    return CString::FromUtf8(path.string());
}

void BM_ImportFile(benchmark::State& state)
{
    SetACP(65001);
    CString path = MemoFile(state.range(0));
    for (auto _ : state) {
        CCSVMemo memo;
        CStringList none;
        if (memo.ImportFile(path, none, none) != CSVERR_SUCCESS)
            state.SkipWithError("ImportFile failed");
        benchmark::DoNotOptimize(memo.m_nValueCount);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ImportFile)->Arg(200'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_MemoCount(benchmark::State& state)
{
    SetACP(65001);
    CString path = MemoFile(state.range(0));
    for (auto _ : state) {
        CSVMng manager;
        CStringList fields{u"memo", u"color"}, columns{u"memo", u"color"};
        long count = 0;
        manager.Count(CSVTYPE_MEMO, count, 1, path, fields, columns, -1);
        if (count != state.range(0))
            state.SkipWithError("wrong count");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MemoCount)->Arg(200'000)->Unit(benchmark::kMillisecond);

// The whole import road: read, map, save into a fresh SQLite store.
void BM_MemoImport(benchmark::State& state)
{
    SetACP(65001);
    CString path = MemoFile(state.range(0));
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::path store = BenchDir() / ("store-" + std::to_string(run++) + ".db");
        SetStorePath(CString::FromUtf8(store.string()));
        state.ResumeTiming();
        CSVMng manager;
        CStringList fields{u"memo", u"color"}, columns{u"memo", u"color"};
        long saved = 0;
        manager.Import(CSVTYPE_MEMO, saved, 1, path, fields, columns, -1, false);
        if (saved != state.range(0))
            state.SkipWithError("wrong save result");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MemoImport)->Arg(200'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The export road: store to file, for a store filled once.
void BM_MemoExport(benchmark::State& state)
{
    SetACP(65001);
    fs::path store = BenchDir() / ("export-" + std::to_string(state.range(0)) + ".db");
    SetStorePath(CString::FromUtf8(store.string()));
    {
        CSVMng manager;
        CStringList fields{u"memo", u"color"}, columns{u"memo", u"color"};
        long saved = 0;
        manager.Import(CSVTYPE_MEMO, saved, 1, MemoFile(state.range(0)), fields, columns, -1, false);
    }
    CString out = CString::FromUtf8((BenchDir() / "export.csv").string());
    for (auto _ : state) {
        CSVMng manager;
        if (manager.Export(CSVTYPE_MEMO, 1, out) != state.range(0))
            state.SkipWithError("wrong export result");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MemoExport)->Arg(200'000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(BenchDir(), ignored);
    return 0;
}
