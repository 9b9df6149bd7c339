// The catalogue's hot paths natively, each beside the plainest work that could stand
// in for it: loading the index against reading its file in one call, a record read
// and its details text against copying 300 bytes.
// Usage: catalogue_bench --fixture DIR [Google Benchmark flags]
#include "catalogue.h"
#include "profile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr size_t FILE_BUFFER_SIZE = 4 << 20;
constexpr int DECLARATION_BUFFER_SIZE = 1024;

DataPaths g_paths;

// What the window keeps of the index: a name and its offset per list item.
IndexEntry g_entries[MAX_INDEX_ENTRIES];
int g_entryCount;

unsigned char g_fileBuffer[FILE_BUFFER_SIZE];

void StoreEntry(const IndexEntry& entry, void* context)
{
    int& count = *static_cast<int*>(context);
    IndexEntry& slot = g_entries[count++];
    std::strcpy(slot.name, entry.name);
    slot.recordOffset = entry.recordOffset;
}

// The whole file in one fread; its length, or 0 when it cannot be read.
size_t ReadWholeFile(const char* path)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return 0;
    size_t got = std::fread(g_fileBuffer, 1, sizeof g_fileBuffer, file);
    std::fclose(file);
    return got;
}

// Touches each entry as a receiver must, and no more: the figure is the loading's own.
void CountEntry(const IndexEntry& entry, void* context)
{
    *static_cast<int*>(context) += static_cast<unsigned char>(entry.name[0]) + 1;
}

void BM_LoadIndex(benchmark::State& state)
{
    for (auto _ : state) {
        int count = 0;
        if (!LoadIndex(g_paths.indexPath, CountEntry, &count))
            state.SkipWithError("index cannot be opened");
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_LoadIndex);

void BM_ReadIndexFileInOneCall(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadWholeFile(g_paths.indexPath));
}
BENCHMARK(BM_ReadIndexFileInOneCall);

// A refresh's catalogue work: the record at the next entry, then its details text,
// walking the whole list as a held arrow key does.
void BM_ReadRecordAndFormat(benchmark::State& state)
{
    RecordFile file = OpenRecordFile(g_paths.recordPath);
    if (!IsRecordFileOpen(file))
        state.SkipWithError("record file cannot be opened");
    char text[TEXT_BUFFER_SIZE];
    int item = 0;
    for (auto _ : state) {
        const IndexEntry& entry = g_entries[item];
        SupportRecord record = ReadSupportRecord(file, entry.recordOffset);
        benchmark::DoNotOptimize(FormatDetailsText(entry.name, record, text, sizeof text));
        item = (item + 1) % g_entryCount;
    }
    CloseRecordFile(file);
}
BENCHMARK(BM_ReadRecordAndFormat);

void BM_Copy300Bytes(benchmark::State& state)
{
    size_t length = ReadWholeFile(g_paths.recordPath);
    unsigned char out[RECORD_BUFFER_SIZE];
    int item = 0;
    for (auto _ : state) {
        size_t offset = g_entries[item].recordOffset;
        size_t n = offset < length ? length - offset : 0;
        std::memcpy(out, g_fileBuffer + offset, n < sizeof out ? n : sizeof out);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
        item = (item + 1) % g_entryCount;
    }
}
BENCHMARK(BM_Copy300Bytes);

// The declaration as the window looks it up at every refresh, through the
// catalogue's portable stand-in for GetPrivateProfileStringA (the whole api.ini
// read and scanned per call).
void BM_DeclarationLookup(benchmark::State& state)
{
    char declaration[DECLARATION_BUFFER_SIZE];
    int item = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadProfileString(g_paths.iniPath, DECLARE_SECTION,
                                                   g_entries[item].name, "", declaration,
                                                   sizeof declaration));
        item = (item + 1) % g_entryCount;
    }
}
BENCHMARK(BM_DeclarationLookup);

// Takes --fixture DIR out of the arguments; null when it is missing.
const char* TakeFixtureDir(int& argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--fixture") == 0) {
            const char* dir = argv[i + 1];
            for (int j = i; j + 2 <= argc; ++j)
                argv[j] = argv[j + 2];
            argc -= 2;
            return dir;
        }
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* dir = TakeFixtureDir(argc, argv);
    if (!dir) {
        std::fprintf(stderr, "usage: catalogue_bench --fixture DIR [benchmark flags]\n");
        return 2;
    }
    char modulePath[PATH_BUFFER_SIZE];
    std::snprintf(modulePath, sizeof modulePath, "%s/catalogue_bench", dir);
    g_paths = ResolveDataPaths(modulePath, nullptr, true);
    if (!LoadIndex(g_paths.indexPath, StoreEntry, &g_entryCount) || g_entryCount == 0) {
        std::fprintf(stderr, "catalogue_bench: no index in %s\n", dir);
        return 1;
    }
    std::printf("catalogue: %d entries in %s\n", g_entryCount, dir);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
