// Micro-benchmarks of the hot paths, one step at a time: decoding, taking
// records and fields from text, writing a record, reading a date, and the
// store's save and load. Inputs are made in memory or in a temporary folder
// that is removed afterwards.
//   varno_bench --benchmark_filter=Hot
#include "converters/CSVMemo.h"
#include "engine/CSVScan_p.h"
#include "platform/CodePage.h"
#include "store/Calendars.h"
#include "store/Store.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// One row as export writes it: quoted values, a doubled quote, Korean text.
const std::string kRow = "\"Buy milk, eggs and \"\"fresh\"\" bread\",\"2024-01-31 09:05\",\"장보기 목록\",\"red\"\r\n";

std::string Rows(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += kRow;
    return text;
}

void BM_HotDecodeUtf8(benchmark::State& state)
{
    const std::string bytes = Rows(10000);
    for (auto _ : state)
        benchmark::DoNotOptimize(MultiByteToWideChar(CP_UTF8, bytes));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_HotDecodeUtf8);

void BM_HotDecode949(benchmark::State& state)
{
    const std::string bytes = WideCharToMultiByte(949, MultiByteToWideChar(CP_UTF8, Rows(10000)));
    for (auto _ : state)
        benchmark::DoNotOptimize(MultiByteToWideChar(949, bytes));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_HotDecode949);

// Records and fields: a whole file read by ImportFile (decoding, record
// splitting and field splitting together).
void BM_HotImportFile(benchmark::State& state)
{
    SetACP(CP_UTF8);
    const fs::path path = fs::temp_directory_path() / ("varno-hot-" + std::to_string(::getpid()) + ".csv");
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        const std::string text = "\"summary\",\"start\",\"memo\",\"color\"\r\n" + Rows(100000);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    for (auto _ : state) {
        CCSVMemo memo;
        CStringList none;
        if (memo.ImportFile(CString::FromUtf8(path.string()), none, none) != CSVERR_SUCCESS)
            state.SkipWithError("ImportFile failed");
    }
    state.SetItemsProcessed(state.iterations() * 100000);
    fs::remove(path);
}
BENCHMARK(BM_HotImportFile)->Unit(benchmark::kMillisecond);

void BM_HotReadLine(benchmark::State& state)
{
    CCSVMemo memo;
    const CString line = CString::FromUtf8(kRow.substr(0, kRow.size() - 2));
    CStringArray values;
    for (auto _ : state) {
        values.RemoveAll();
        memo.ReadLine(line, values);
        benchmark::DoNotOptimize(values);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HotReadLine);

// The codec's search for the next quote, separator or line break, block by
// block and plain, over a row of short quoted fields and one long field.
template <bool Block>
void BM_HotFindFirstOf(benchmark::State& state)
{
    const std::u16string text = state.range(0) == 0 ? CString::FromUtf8(kRow).str()
                                                    : std::u16string(4096, u'x') + u",";
    size_t found = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < text.size(); ++i) {
            i = Block ? varno::detail::FindFirstOf(text.data(), i, text.size(), u'"', u',', u'\n')
                      : varno::detail::FindFirstOfPlain(text.data(), i, text.size(), u'"', u',', u'\n');
            ++found;
        }
    }
    benchmark::DoNotOptimize(found);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size() * 2));
}
BENCHMARK(BM_HotFindFirstOf<true>)->Arg(0)->Arg(1);
BENCHMARK(BM_HotFindFirstOf<false>)->Arg(0)->Arg(1);

void BM_HotWriteLine(benchmark::State& state)
{
    CCSVMemo memo;
    CStringArray values{u"Buy milk, eggs and \"fresh\" bread", u"2024-01-31 09:05", u"장보기 목록", u"red"};
    for (auto _ : state)
        benchmark::DoNotOptimize(memo.WriteLine(values));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HotWriteLine);

void BM_HotString2OLEDate(benchmark::State& state)
{
    setenv("TZ", "UTC", 1);
    CCSVMemo memo;
    const CString date(u"2024-01-31 09:05");
    for (auto _ : state)
        benchmark::DoNotOptimize(memo.String2OLEDate(date, CString()));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HotString2OLEDate);

// The store: 100,000 calendar records saved into a fresh store, and loaded.
void BM_HotStoreSaveAndLoad(benchmark::State& state)
{
    const fs::path dir = fs::temp_directory_path() / ("varno-hot-store-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        SetStorePath(CString::FromUtf8((dir / std::to_string(run++)).concat(".db").string()));
        CCalendars records;
        for (int i = 0; i < 100000; ++i) {
            CCalendar* r = records.AddNew();
            r->CalendarType = CALTYPE_MEMO;
            r->Description = u"Buy milk, eggs and bread";
            r->Color = u"red";
        }
        state.ResumeTiming();
        if (records.SaveToDB(1, false) != 100000)
            state.SkipWithError("save failed");
        CCalendars loaded;
        if (loaded.OpenFromDB(1, CALTYPE_MEMO, 1) != 100000)
            state.SkipWithError("load failed");
    }
    state.SetItemsProcessed(state.iterations() * 100000);
    SetStorePath(CString());
    fs::remove_all(dir);
}
BENCHMARK(BM_HotStoreSaveAndLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
