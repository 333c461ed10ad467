// Prints how long the library model takes at scale, and how much it writes:
//   (a) opening a library against reading its file's bytes once,
//   (b) listing every entry ("＜すべて＞" on all three levels) and sorting by
//       title ascending, file size descending, author ascending,
//   (c) SaveAll after one entry changed: time and bytes written,
//   (d) appending one member to a tag that already holds n - 1 members.
// Usage: folian_library_bench [entries]   (default 20000)

#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchMeasure.h"
#include "SyntheticLibrary.h"
#include "format/CategoryNames.h"
#include "format/EntryFieldKind.h"
#include "categories/EntryQuery.h"
#include "categories/EntrySort.h"
#include "library/FlnArraySync.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "storage/FolianCommon.h"
#include "storage/ZelFile.h"

namespace {

constexpr int kRepeats = 7;

void OpenLibrary(const std::string& path, int entries) {
  FLN_DATA probe;
  const FlnResult r = ReadFlnDataFromFlnFile(path.c_str(), &probe);
  if (!r.ok() || Tesk_Ary_GetSize(probe.entry) != entries) {
    std::fprintf(stderr, "loading failed: %s\n", r.reason.c_str());
    std::exit(1);
  }
  FreeFlnData(&probe);
}

void MeasureOpening(const std::string& path, int entries) {
  OpenLibrary(path, entries);  // warm the page cache for every reader
  uint64_t fileBytes = 0;
  const double oneBufferMs = MedianMs(kRepeats, [&] { fileBytes = ReadWholeFile(path.c_str(), true); });
  const double piecesMs = MedianMs(kRepeats, [&] { ReadWholeFile(path.c_str(), false); });
  const double loadMs = MedianMs(kRepeats, [&] { OpenLibrary(path, entries); });
  std::printf("(a) open library:     %8.1f ms   file %.1f MB\n", loadMs, static_cast<double>(fileBytes) / 1e6);
  std::printf("    read into memory: %8.1f ms   ratio %.2fx (target <= 3x)\n", oneBufferMs, loadMs / oneBufferMs);
  std::printf("    read by 1 MiB:    %8.1f ms   ratio %.2fx\n", piecesMs, loadMs / piecesMs);
}

void MeasureListing(FLN_DATA& data) {
  const FLN_ENTRY_LIST_INFO info = {{kEntryFieldTitle, kEntryFieldFileSize, kEntryFieldAuthor}, {1, 0, 1}};
  int rc = 0;
  double queryMs = 0, sortMs = 0;
  const double ms = MedianMs(kRepeats, [&] {
    queryMs +=
        MedianMs(1, [&] { rc |= QueryEntry(kCategoryAll, kCategoryAll, kCategoryAll, data.entry, data.showEntryAry); });
    sortMs += MedianMs(1, [&] { rc |= SortEntryArray(data.showEntryAry, info); });
  });
  std::printf(
      "(b) list all + sort:  %8.1f ms   (query %.1f, sort %.1f on average) %d entries shown%s (target < 50 ms at "
      "20,000)\n",
      ms, queryMs / kRepeats, sortMs / kRepeats, Tesk_Ary_GetSize(data.showEntryAry),
      rc == 0 ? "" : "  [a call failed]");
}

// Retitles entry `index` in the entry array and in the shown list, as the
// entry window does.
void Retitle(FLN_DATA& data, int32_t index, const char* title) {
  FLN_ENTRY e;
  Tesk_Ary_GetData(data.entry, index, &e);
  std::memset(e.en_title, 0, sizeof e.en_title);
  FLN_COMM_ConvertCharToUniChar_NtoL(title, e.en_title, sizeof e.en_title);
  UpdateEntry(data.entry, &e);
  UpdateEntry(data.showEntryAry, &e);
}

void MeasureSave(FLN_DATA& data) {
  const int32_t count = Tesk_Ary_GetSize(data.entry);
  int64_t bytes = 0;
  int failures = 0;
  int step = 0;
  const double ms = MedianMs(kRepeats, [&] {
    Retitle(data, ((count / kRepeats) * step + 7) % count, step % 2 ? "改題" : "Renamed");
    ++step;
    const int64_t before = BytesWrittenSoFar();
    failures += SaveAll(data.filePath, &data) == 1 ? 0 : 1;
    bytes = std::max(bytes, BytesWrittenSoFar() - before);
  });
  ForgetLibraryFileState(&data);
  const int64_t before = BytesWrittenSoFar();
  const double wholeMs = MedianMs(1, [&] { failures += SaveAll(data.filePath, &data) == 1 ? 0 : 1; });
  const int64_t wholeBytes = BytesWrittenSoFar() - before;
  std::printf("(c) save one change:  %8.1f ms   %lld bytes written (target < 65536)%s\n", ms,
              static_cast<long long>(bytes), failures == 0 ? "" : "  [a save failed]");
  std::printf("    whole rewrite:    %8.1f ms   %lld bytes written\n", wholeMs, static_cast<long long>(wholeBytes));
}

// Microseconds per append of one member to a tag holding about n members:
// open the file, add, close, as an import does for each PDF.
double AppendMicros(const std::string& path, int n) {
  constexpr int32_t kTag = ZelTag("BNCH");
  constexpr int kSamples = 20;  // per timed batch
  const std::string member(600, 'm');
  ZEL_FILE file;
  if (ZEL_Open(path.c_str(), 0, &file) != ZEL_OK) return -1;
  int have = 0;
  for (int rc = ZEL_FirstMember(&file, kTag); rc == ZEL_OK; rc = ZEL_NextMember(&file)) ++have;
  for (; have < n - 1; ++have) ZEL_AddData(&file, kTag, static_cast<uint32_t>(member.size()), member.data());
  ZEL_Close(&file);
  const double ms = MedianMs(kRepeats, [&] {
    for (int i = 0; i < kSamples; ++i) {
      ZEL_FILE f;
      if (ZEL_Open(path.c_str(), 0, &f) == ZEL_OK)
        ZEL_AddData(&f, kTag, static_cast<uint32_t>(member.size()), member.data());
      ZEL_Close(&f);
    }
  });
  return ms * 1000.0 / kSamples;
}

void MeasureAppend(const std::string& path, int entries) {
  ZEL_FILE file;
  if (ZEL_Create(path.c_str(), &file) != ZEL_OK) return;
  ZEL_Close(&file);
  const double small = AppendMicros(path, 1000);
  const double large = AppendMicros(path, entries);
  std::printf("(d) append n-th:      n = 1000: %.1f us   n = %d: %.1f us per open + append + close\n", small, entries,
              large);
}

}  // namespace

int main(int argc, char** argv) {
  const int entries = argc > 1 ? std::atoi(argv[1]) : 20000;
  if (entries < 10) {
    std::fprintf(stderr, "usage: %s [entries >= 10]\n", argv[0]);
    return 2;
  }
  QTemporaryDir dir;
  const std::string path = dir.filePath("bench.fln").toStdString();
  std::printf("library of %d entries, %d category triples\n", entries, kSyntheticTriples);
  if (!WriteSyntheticLibrary(path, entries)) return 1;

  MeasureOpening(path, entries);
  FLN_DATA data;
  if (!ReadFlnDataFromFlnFile(path.c_str(), &data).ok()) return 1;
  MeasureListing(data);
  MeasureSave(data);
  FreeFlnData(&data);
  MeasureAppend(dir.filePath("append.zel").toStdString(), entries);
  return 0;
}
