// Prints how long the library model takes at scale, and how much it writes:
//   (a) opening a library against reading its file's bytes once, each in
//       ten processes of their own, with the page cache warm and cold,
//   (b) listing every entry ("＜すべて＞" on all three levels) and sorting by
//       title ascending, file size descending, author ascending, the
//       same lists picked from the order kept between clicks, the list
//       again after a note edited, and a click on a column header with the
//       clicked column new and kept,
//   (c) SaveAll after one entry changed: time and bytes written,
//   (d) appending one member to a tag that already holds n - 1 members,
//   (e) importing small PDFs into the library against the same import into
//       a new library: what one file costs should not grow with the library,
//   (f) selecting every entry (and then none) in the list, and the SaveAll
//       after it: time, processor time and bytes written, against the same
//       flags changed through each record's address, which makes every
//       entry count as changed whole,
//   (g) an edit's UpdateEntry: the first after a delete and an import, the
//       first once the index of en_id has to be made again, and those that
//       follow one another (as the entry window's edits do), wall and
//       processor time,
//   (h) removing 100 entries spread over the entry array, one at a time
//       from the last down against all in one pass (Tesk_Ary_RemoveMany),
//   (i) the SaveAll after removing 100 entries spread over the array, after
//       removing 10,000 more, and an import of 3 PDFs (which saves): time,
//       processor time and bytes written,
// and the peak memory of a process that opened it, against the file's size.
// Usage: folian_library_bench [entries [parts]]   (default 20000, all parts)
//   parts: the letters of the parts to run, such as "ab" for opening and
//   listing alone.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "BenchMeasure.h"
#include "SyntheticLibrary.h"
#include "format/FieldText.h"
#include "format/CategoryNames.h"
#include "format/EntryFieldKind.h"
#include "format/FieldText.h"
#include "categories/EntryQuery.h"
#include "categories/EntryListSortKeys.h"
#include "categories/EntrySelection.h"
#include "categories/EntrySort.h"
#include "categories/SortedEntryOrder.h"
#include "library/FlnArraySync.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "library/FlnSave.h"
#include "storage/FolianCommon.h"
#include "storage/OwnedAry.h"
#include "storage/TeskAryChanges.h"
#include "storage/ZelFile.h"
#include "transfer/PdfImport.h"

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

// One open as a user's is: in a process of its own, so that the memory it
// fills is new to the process. The child reads the file once from front to
// back through a reused 1 MiB buffer (the yardstick), then opens it once.
struct OpenRun {
  double readMs = 0, openMs = 0, peakBytes = 0;
  double readCpuMs = 0, openCpuMs = 0;  // processor time, the program's own cost on a busy machine
};

// Drops the file's pages from the page cache, so that the next read goes to
// the disk; false when the system would not.
bool DropFromCache(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  const bool dropped = posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
  close(fd);
  return dropped;
}

bool OpenInFreshProcess(const std::string& path, int entries, bool cold, OpenRun* run) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    close(fds[0]);
    OpenRun r;
    if (cold) DropFromCache(path);
    r.readCpuMs = MedianCpuMs(1, [&] { r.readMs = MedianMs(1, [&] { ReadWholeFile(path.c_str(), false); }); });
    if (cold) DropFromCache(path);
    r.openCpuMs = MedianCpuMs(1, [&] { r.openMs = MedianMs(1, [&] { OpenLibrary(path, entries); }); });
    const bool sent = write(fds[1], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
    _exit(sent ? 0 : 1);
  }
  close(fds[1]);
  const bool got = read(fds[0], run, sizeof *run) == static_cast<ssize_t>(sizeof *run);
  close(fds[0]);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  run->peakBytes = static_cast<double>(usage.ru_maxrss) * 1024.0;
  return got;
}

// Median and worst of `values`.
std::pair<double, double> MedianWorst(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return {values[values.size() / 2], values.back()};
}

void MeasureOpening(const std::string& path, int entries) {
  constexpr int kProcesses = 10;
  const double fileBytes = static_cast<double>(QFileInfo(QString::fromStdString(path)).size());
  std::printf("(a) open library, file %.1f MB, %d fresh processes each (target: open <= 2x the read, memory <= 1.2x)\n",
              fileBytes / 1e6, kProcesses);
  for (const bool cold : {false, true}) {
    if (cold && !DropFromCache(path)) {
      std::printf("    page cache cold: the file cannot be dropped from the cache\n");
      continue;
    }
    std::vector<double> reads, opens, ratios, cpuRatios, memory;
    for (int i = 0; i < kProcesses; ++i) {
      OpenRun run;
      if (!OpenInFreshProcess(path, entries, cold, &run)) {
        std::fprintf(stderr, "an open in a process of its own failed\n");
        std::exit(1);
      }
      reads.push_back(run.readMs);
      opens.push_back(run.openMs);
      ratios.push_back(run.openMs / run.readMs);
      cpuRatios.push_back(run.openCpuMs / run.readCpuMs);
      memory.push_back(run.peakBytes / fileBytes);
    }
    const auto read = MedianWorst(reads), open = MedianWorst(opens), ratio = MedianWorst(ratios),
               cpuRatio = MedianWorst(cpuRatios), mem = MedianWorst(memory);
    std::printf("    page cache %s: read %7.1f ms (worst %7.1f)  open %7.1f ms (worst %7.1f)  ratio %.2fx (worst %.2fx)\n"
                "                     processor time ratio %.2fx (worst %.2fx)  peak memory %.2fx the file (worst %.2fx)\n",
                cold ? "cold" : "warm", read.first, read.second, open.first, open.second, ratio.first, ratio.second,
                cpuRatio.first, cpuRatio.second, mem.first, mem.second);
  }
}

void MeasureListing(FLN_DATA& data) {
  const FLN_ENTRY_LIST_INFO info = {{kEntryFieldTitle, kEntryFieldFileSize, kEntryFieldAuthor}, {1, 0, 1}};
  int rc = 0;
  // Wall-clock time, and the processor time that it took (its median). The
  // list is the row numbers the window shows, as it makes them.
  const auto list = [&](const char* cat1, double& cpuMs) {
    const auto run = [&] {
      rc |= QuerySortedRows(cat1, kCategoryAll, kCategoryAll, data.entry, info, data.shownRows);
    };
    cpuMs = MedianCpuMs(kRepeats, run);
    return MedianMs(kRepeats, run);
  };
  double allCpuMs = 0, oneCpuMs = 0;
  const double allMs = list(kCategoryAll, allCpuMs);
  const size_t shown = data.shownRows.size();
  // One name of level 1, as a click on a category narrows the list.
  const double oneMs = list("歴史", oneCpuMs);
  const size_t narrowed = data.shownRows.size();
  // For comparison: copying the chosen records and sorting the copies.
  OwnedAry copies(Tesk_Ary_Init(sizeof(FLN_ENTRY), 20, 20));
  double queryMs = 0, sortMs = 0;
  const double twoStepMs = MedianMs(kRepeats, [&] {
    queryMs += MedianMs(1, [&] { rc |= QueryEntry(kCategoryAll, kCategoryAll, kCategoryAll, data.entry, copies.get()); });
    sortMs += MedianMs(1, [&] { rc |= SortEntryArray(copies.get(), info); });
  });
  std::printf("(b) list all + sort:  %8.1f ms (processor %.1f)   %zu rows shown%s (target < 100 ms at 100,000)\n",
              allMs, allCpuMs, shown, rc == 0 ? "" : "  [a call failed]");
  std::printf("    one category:     %8.1f ms (processor %.1f)   %zu rows shown\n", oneMs, oneCpuMs, narrowed);
  std::printf("    copies, then sort the copies in place: %.1f ms (query %.1f, sort %.1f on average)\n", twoStepMs,
              queryMs / kRepeats, sortMs / kRepeats);

  // As the window clicks: the order of all entries is kept from the first
  // listing, and each click on a category picks from it.
  SortedEntryOrder order;
  const auto click = [&](const char* cat1, double& cpuMs) {
    const auto run = [&] { rc |= order.query(cat1, kCategoryAll, kCategoryAll, data.entry, info, data.shownRows); };
    run();
    cpuMs = MedianCpuMs(kRepeats, run);
    return MedianMs(kRepeats, run);
  };
  double keptAllCpuMs = 0, keptOneCpuMs = 0;
  const double keptAllMs = click(kCategoryAll, keptAllCpuMs);
  const double keptOneMs = click("歴史", keptOneCpuMs);
  std::printf("    from the kept order: all %.1f ms (processor %.1f), one category %.1f ms (processor %.1f), "
              "%lld sort(s)%s\n",
              keptAllMs, keptAllCpuMs, keptOneMs, keptOneCpuMs, static_cast<long long>(order.sortCount()),
              rc == 0 ? "" : "  [a call failed]");

  // The list shown again after an edit in the information window: a note
  // retyped (and the update date UpdateEntry sets), neither of them a key.
  // Each run edits another entry, untimed, then lists all from the order.
  std::vector<double> editWall, editCpu;
  const int64_t sortsBefore = order.sortCount(), columnsBefore = order.columnCount();
  for (int i = 0; i < kRepeats; ++i) {
    const int32_t count = Tesk_Ary_GetSize(data.entry);
    FLN_ENTRY e;
    Tesk_Ary_GetData(data.entry, (count / kRepeats) * i + count / (2 * kRepeats), &e);
    const std::string note = "read again, " + std::to_string(i);
    std::memset(e.en_note, 0, sizeof e.en_note);
    FLN_COMM_ConvertCharToUniChar_NtoL(note.c_str(), e.en_note, sizeof e.en_note);
    rc |= UpdateEntry(data.entry, &e) == 1 ? 0 : 1;
    editCpu.push_back(MedianCpuMs(1, [&] {
      editWall.push_back(MedianMs(1, [&] {
        rc |= order.query(kCategoryAll, kCategoryAll, kCategoryAll, data.entry, info, data.shownRows);
      }));
    }));
  }
  std::sort(editWall.begin(), editWall.end());
  std::sort(editCpu.begin(), editCpu.end());
  std::printf("    all, after a note edited: %.1f ms (processor %.1f), %.1f sort(s) and %.1f column(s) made an edit%s\n",
              editWall[editWall.size() / 2], editCpu[editCpu.size() / 2],
              static_cast<double>(order.sortCount() - sortsBefore) / kRepeats,
              static_cast<double>(order.columnCount() - columnsBefore) / kRepeats, rc == 0 ? "" : "  [a call failed]");

  // A click on a column header changes the keys, so the whole order is made
  // again from the keys' columns: the clicked column made new (each run on
  // an order that has listed by the old keys alone, untimed), or kept from an
  // earlier click (back to the old first key).
  std::vector<double> newWall, newCpu, keptWall, keptCpu;
  int64_t columnsMade = 0;
  for (int i = 0; i < kRepeats; ++i) {
    SortedEntryOrder clicks;
    rc |= clicks.query(kCategoryAll, kCategoryAll, kCategoryAll, data.entry, info, data.shownRows);
    const int64_t before = clicks.columnCount();
    const FLN_ENTRY_LIST_INFO byDate = GetEntryListInfo_ByHeaderClick(info, "updateDate", true);
    const FLN_ENTRY_LIST_INFO back = GetEntryListInfo_ByHeaderClick(byDate, "title", true);
    const auto click = [&](const FLN_ENTRY_LIST_INFO& keys, std::vector<double>& wall, std::vector<double>& cpu) {
      cpu.push_back(MedianCpuMs(1, [&] {
        wall.push_back(MedianMs(1, [&] {
          rc |= clicks.query(kCategoryAll, kCategoryAll, kCategoryAll, data.entry, keys, data.shownRows);
        }));
      }));
    };
    click(byDate, newWall, newCpu);
    click(back, keptWall, keptCpu);
    columnsMade += clicks.columnCount() - before;
  }
  const auto median = [](std::vector<double> v) { return MedianWorst(std::move(v)).first; };
  std::printf("    header click, all listed: new column %.1f ms (processor %.1f), kept columns %.1f ms "
              "(processor %.1f), %.1f column(s) made a click pair%s\n",
              median(newWall), median(newCpu), median(keptWall), median(keptCpu),
              static_cast<double>(columnsMade) / kRepeats, rc == 0 ? "" : "  [a call failed]");
}

// Retitles entry `index` in the entry array, as the entry window does (the
// list reads it from there).
void Retitle(FLN_DATA& data, int32_t index, const char* title) {
  FLN_ENTRY e;
  Tesk_Ary_GetData(data.entry, index, &e);
  std::memset(e.en_title, 0, sizeof e.en_title);
  FLN_COMM_ConvertCharToUniChar_NtoL(title, e.en_title, sizeof e.en_title);
  UpdateEntry(data.entry, &e);
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
    failures += SaveAll(data.filePath, &data).ok() ? 0 : 1;
    bytes = std::max(bytes, BytesWrittenSoFar() - before);
  });
  ForgetLibraryFileState(&data);
  const int64_t before = BytesWrittenSoFar();
  const double wholeMs = MedianMs(1, [&] { failures += SaveAll(data.filePath, &data).ok() ? 0 : 1; });
  const int64_t wholeBytes = BytesWrittenSoFar() - before;
  std::printf("(c) save one change:  %8.1f ms   %lld bytes written (target < 65536)%s\n", ms,
              static_cast<long long>(bytes), failures == 0 ? "" : "  [a save failed]");
  std::printf("    whole rewrite:    %8.1f ms   %lld bytes written\n", wholeMs, static_cast<long long>(wholeBytes));
}

// One timed run: wall and processor milliseconds, bytes handed to write calls.
struct Cost {
  double ms = 0, cpuMs = 0;
  int64_t bytes = 0;
};

Cost Measure(const std::function<void()>& run) {
  const auto threadCpuMs = [] {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
  };
  const int64_t bytes = BytesWrittenSoFar();
  const double cpu = threadCpuMs();
  const auto start = std::chrono::steady_clock::now();
  run();
  Cost cost;
  cost.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  cost.cpuMs = threadCpuMs() - cpu;
  cost.bytes = BytesWrittenSoFar() - bytes;
  return cost;
}

// The median of each figure over `costs`.
Cost Median(std::vector<Cost> costs) {
  const auto median = [&](auto field) {
    std::vector<double> v;
    for (const Cost& c : costs) v.push_back(static_cast<double>(c.*field));
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  Cost m;
  m.ms = median(&Cost::ms);
  m.cpuMs = median(&Cost::cpuMs);
  m.bytes = static_cast<int64_t>(median(&Cost::bytes));
  return m;
}

void MeasureSelectAllSave(FLN_DATA& data) {
  const FLN_ENTRY_LIST_INFO info = {{kEntryFieldTitle, kEntryFieldFileSize, kEntryFieldAuthor}, {1, 0, 1}};
  if (QuerySortedRows(kCategoryAll, kCategoryAll, kCategoryAll, data.entry, info, data.shownRows) != 0) return;
  std::vector<int> everyRow(data.shownRows.size());
  for (size_t i = 0; i < everyRow.size(); ++i) everyRow[i] = static_cast<int>(i);
  int failures = 0;
  const auto save = [&] { failures += SaveAll(data.filePath, &data).ok() ? 0 : 1; };
  failures += SaveAll(data.filePath, &data).ok() ? 0 : 1;  // nothing left over from earlier parts

  std::vector<Cost> clicks, saves;
  for (int i = 0; i < kRepeats; ++i) {
    const std::vector<int>& rows = i % 2 == 0 ? everyRow : std::vector<int>();
    clicks.push_back(Measure([&] { failures += SetFlnEntryIsSelected(rows, &data) == 0 ? 0 : 1; }));
    saves.push_back(Measure(save));
  }
  const Cost click = Median(clicks), saved = Median(saves);
  // As the flags were written before: through each record's address, which
  // counts the record as changed whole. Once, as it rewrites every entry.
  const uint8_t flag = kRepeats % 2 == 0 ? 1 : 0;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(data.entry); ++i)
    static_cast<FLN_ENTRY*>(Tesk_Ary_GetDataPtr(data.entry, i))->en_is_select_entrylist = flag;
  const Cost whole = Measure(save);
  std::printf("(f) select all/none:  %8.1f ms (processor %.1f)   %zu entries\n", click.ms, click.cpuMs, everyRow.size());
  std::printf("    then save:        %8.1f ms (processor %.1f)   %lld bytes written%s\n", saved.ms, saved.cpuMs,
              static_cast<long long>(saved.bytes), failures == 0 ? "" : "  [a call failed]");
  std::printf("    entries whole:    %8.1f ms (processor %.1f)   %lld bytes written\n", whole.ms, whole.cpuMs,
              static_cast<long long>(whole.bytes));
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

// UpdateEntry of entries spread over the array, each found by its en_id.
void MeasureUpdateEntry(FLN_DATA& data) {
  const int32_t count = Tesk_Ary_GetSize(data.entry);
  std::vector<FLN_ENTRY> edits(kRepeats * 2);
  for (size_t i = 0; i < edits.size(); ++i) {
    Tesk_Ary_GetData(data.entry, static_cast<int32_t>((count / edits.size()) * i + count / 3) % count, &edits[i]);
    edits[i].en_title[0] ^= 1;
  }
  int failures = 0;
  // The last entry deleted and imported again, as the window deletes (all
  // in one pass), then as single removals do, after which whatever
  // UpdateEntry kept from earlier calls has to be made again.
  FLN_ENTRY last;
  Tesk_Ary_GetData(data.entry, count - 1, &last);
  const int32_t lastIndex = count - 1;
  Tesk_Ary_RemoveMany(data.entry, &lastIndex, 1);
  Tesk_Ary_Add(data.entry, &last);
  const Cost afterDelete = Measure([&] { failures += UpdateEntry(data.entry, &edits[0]) == 1 ? 0 : 1; });
  Tesk_Ary_Remove(data.entry, count - 1);
  Tesk_Ary_Add(data.entry, &last);
  const Cost first = Measure([&] { failures += UpdateEntry(data.entry, &edits[1]) == 1 ? 0 : 1; });
  std::vector<double> wall, cpu;
  for (size_t i = 2; i < edits.size(); ++i) {
    const Cost cost = Measure([&] { failures += UpdateEntry(data.entry, &edits[i]) == 1 ? 0 : 1; });
    wall.push_back(cost.ms);
    cpu.push_back(cost.cpuMs);
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  std::printf("(g) an edit's UpdateEntry: first after a delete and an import %.3f ms (processor %.3f), first with the "
              "index made again %.3f ms (processor %.3f), then median %.3f ms (processor %.3f)%s\n",
              afterDelete.ms, afterDelete.cpuMs, first.ms, first.cpuMs, wall[wall.size() / 2], cpu[cpu.size() / 2],
              failures == 0 ? "" : "  [an entry was not found]");
}

// Removes 100 entries spread over the array one at a time, then another
// 100 in one pass: the array is nearly the same size for both.
void MeasureRemoval(FLN_DATA& data) {
  constexpr int32_t kRemoved = 100;
  const auto spread = [&] {
    std::vector<int32_t> indexes;
    const int32_t count = Tesk_Ary_GetSize(data.entry);
    for (int32_t i = 0; i < kRemoved; ++i) indexes.push_back(count / kRemoved * i + count / (2 * kRemoved));
    return indexes;
  };
  std::vector<int32_t> indexes = spread();
  const Cost single = Measure([&] {
    for (auto at = indexes.rbegin(); at != indexes.rend(); ++at) Tesk_Ary_Remove(data.entry, *at);
  });
  indexes = spread();
  const Cost many = Measure([&] { Tesk_Ary_RemoveMany(data.entry, indexes.data(), indexes.size()); });
  std::printf("(h) removing %d entries: %.2f ms one at a time, %.2f ms in one pass (%d left)\n", kRemoved, single.ms,
              many.ms, Tesk_Ary_GetSize(data.entry));
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

// Writes `files` small PDFs (a few kilobytes each, all different) into `folder`.
bool WriteSmallPdfs(const std::string& folder, int files) {
  if (!QDir().mkpath(QString::fromStdString(folder))) return false;
  for (int i = 0; i < files; ++i) {
    std::string bytes = "%PDF-1.4\n% bench file " + std::to_string(i) + "\n";
    bytes.resize(4096 + static_cast<size_t>(i % 7) * 512, 'x');
    const std::string path = folder + "/paper-" + std::to_string(i) + ".pdf";
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0)
      return false;
  }
  return true;
}

// Milliseconds that importing the `files` PDFs of `folder` into `data` takes.
double ImportMs(FLN_DATA& data, const std::string& folder, int files) {
  for (char* choice : {data.lastSelectCat1, data.lastSelectCat2, data.lastSelectCat3})
    std::strcpy(choice, kCategoryAll);
  ImportResult result;
  const double ms = MedianMs(1, [&] { result = ImportPDFFiles(&data, folder.c_str(), folder.c_str(), "", "", ""); });
  if (result.imported != files || !result.save.ok()) std::printf("    [the import took %d of %d files]\n", result.imported, files);
  return ms;
}

// Imports kFiles and then 2 * kFiles PDFs, into a new library and into the
// large one: per file on the whole, and per file of the larger import
// beyond the smaller one, which leaves out what an import costs once
// (reading the library's PDF and digest chains, the first appends, the
// entry list made anew).
void MeasureImport(FLN_DATA& data, const QTemporaryDir& dir, int entries) {
  constexpr int kFiles = 300;
  const std::string small = dir.filePath("pdfs-small").toStdString();
  const std::string large = dir.filePath("pdfs-large").toStdString();
  const std::string fresh = dir.filePath("fresh.fln").toStdString();
  FLN_DATA empty;
  if (!WriteSmallPdfs(small, kFiles) || !WriteSmallPdfs(large, 2 * kFiles) ||
      !CreateNewLibraryFile(fresh.c_str()).ok() || !ReadFlnDataFromFlnFile(fresh.c_str(), &empty).ok()) {
    std::printf("(e) import: cannot prepare\n");
    return;
  }
  const double newSmall = ImportMs(empty, small, kFiles), newLarge = ImportMs(empty, large, 2 * kFiles);
  FreeFlnData(&empty);
  const double bigSmall = ImportMs(data, small, kFiles), bigLarge = ImportMs(data, large, 2 * kFiles);
  std::printf("(e) import %d PDFs:  %8.2f ms per file into %d entries, %.2f ms into a new library\n", kFiles,
              bigSmall / kFiles, entries, newSmall / kFiles);
  std::printf("    each further:     %8.2f ms per file into %d entries, %.2f ms into a new library (%.2fx)\n",
              (bigLarge - bigSmall) / kFiles, entries, (newLarge - newSmall) / kFiles,
              (bigLarge - bigSmall) / (newLarge - newSmall));
}

// The SaveAll after entries left the array: `removed` entries spread over
// it, as a deletion of many selected entries leaves it.
Cost SaveAfterRemoving(FLN_DATA& data, int32_t removed) {
  std::vector<int32_t> indexes;
  const int32_t count = Tesk_Ary_GetSize(data.entry);
  for (int32_t i = 0; i < removed; ++i) indexes.push_back(count / removed * i + count / (2 * removed));
  Tesk_Ary_RemoveMany(data.entry, indexes.data(), indexes.size());
  bool ok = false;
  Cost cost = Measure([&] { ok = SaveAll(data.filePath, &data).ok(); });
  if (!ok) std::printf("    [the save failed]\n");
  return cost;
}

void MeasureSavesAfterRemovalAndImport(FLN_DATA& data, const QTemporaryDir& dir) {
  if (!SaveAll(data.filePath, &data).ok()) return;  // nothing left over from earlier parts
  const Cost few = SaveAfterRemoving(data, 100);
  const Cost many = SaveAfterRemoving(data, 10000);
  constexpr int kFiles = 3;
  const std::string folder = dir.filePath("pdfs-few").toStdString();
  Cost import;
  if (WriteSmallPdfs(folder, kFiles)) import = Measure([&] { ImportMs(data, folder, kFiles); });
  const auto line = [](const char* what, const Cost& c) {
    std::printf("    %-22s %9.1f ms (processor %.1f)   %lld bytes written\n", what, c.ms, c.cpuMs,
                static_cast<long long>(c.bytes));
  };
  std::printf("(i) saves at %d entries:\n", Tesk_Ary_GetSize(data.entry));
  line("after removing 100:", few);
  line("after removing 10,000:", many);
  line("import of 3 PDFs:", import);
}

}  // namespace

int main(int argc, char** argv) {
  const int entries = argc > 1 ? std::atoi(argv[1]) : 20000;
  const std::string parts = argc > 2 ? argv[2] : "abcdefghi";
  if (entries < 10 || parts.find_first_not_of("abcdefghi") != std::string::npos) {
    std::fprintf(stderr, "usage: %s [entries >= 10 [parts, some of abcdefghi]]\n", argv[0]);
    return 2;
  }
  QTemporaryDir dir;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));  // the import's preference file
  const std::string path = dir.filePath("bench.fln").toStdString();
  std::printf("library of %d entries, %d category triples\n", entries, kSyntheticTriples);
  if (!WriteSyntheticLibrary(path, entries)) return 1;

  const auto runs = [&parts](char part) { return parts.find(part) != std::string::npos; };
  if (runs('a')) MeasureOpening(path, entries);
  FLN_DATA data;
  if (!ReadFlnDataFromFlnFile(path.c_str(), &data).ok()) return 1;
  if (runs('b')) MeasureListing(data);
  if (runs('c')) MeasureSave(data);
  if (runs('f')) MeasureSelectAllSave(data);
  if (runs('g')) MeasureUpdateEntry(data);
  if (runs('e')) MeasureImport(data, dir, entries);
  if (runs('h')) MeasureRemoval(data);
  if (runs('i')) MeasureSavesAfterRemovalAndImport(data, dir);
  FreeFlnData(&data);
  if (runs('d')) MeasureAppend(dir.filePath("append.zel").toStdString(), entries);
  return 0;
}
