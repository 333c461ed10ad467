// Run: cmake -S . -B build-bench -G Ninja -DFOLIAN_BUILD_BENCH=ON -DFOLIAN_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release && cmake --build build-bench --target folian_transfer_bench && build-bench/bench/folian_transfer_bench 500 2000
//
// Prints how long importing a folder of generated PDFs into a new library
// takes, and exporting all of them again, each against `cp -r` of the same
// files to a folder on the same disk (targets: within 2x of the copy); the
// import, which flushes what it stores, also against `cp -r` followed by
// `sync` (the copy made as durable as the import makes its library), and
// the bytes each step hands to write calls. Export writes two files per
// entry where the copy writes one, so it is also set against a copy of the
// folder it made. Usage:
//   folian_transfer_bench [files ...]   (default: 500 2000)
// The PDFs are 20 KB to 2 MB (log-uniform, about 430 KB on average, so about
// 0.9 GB at 2,000 files) in 20 subfolders. Everything is written into a
// temporary folder under $TMPDIR (or /tmp), which should be on a real disk,
// and removed afterwards. `sync` runs before each timed step so that one
// step's write-back does not land in the next one's time.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/resource.h>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "BenchMeasure.h"
#include "format/CategoryNames.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "transfer/PdfExport.h"
#include "transfer/PdfImport.h"

namespace {

constexpr int kFolders = 20;
constexpr double kSmallest = 20e3, kLargest = 2e6;

struct Random {
  uint64_t state;
  uint64_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }
};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "failed: %s\n", what.c_str());
  std::exit(1);
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) Fail(command);
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// Processor time (user and system) this process has used so far, in seconds.
double CpuSeconds() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Wall time of `step`; *cpu (when given) receives the processor time this
// process spent in it, which leaves out waiting for the disk.
double Seconds(const std::function<void()>& step, double* cpu = nullptr) {
  Run("sync");
  const double cpuStart = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  step();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (cpu != nullptr) *cpu = CpuSeconds() - cpuStart;
  return wall;
}

// Writes `files` PDFs below `folder`; returns their total size.
uint64_t WritePdfs(const std::string& folder, int files) {
  Random random{0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(files)};
  uint64_t total = 0;
  std::vector<char> bytes;
  for (int i = 0; i < files; ++i) {
    const std::string sub = folder + "/group" + std::to_string(i % kFolders);
    if (i < kFolders && !QDir().mkpath(QString::fromStdString(sub))) Fail("mkdir " + sub);
    const size_t size = static_cast<size_t>(kSmallest * std::pow(kLargest / kSmallest, random.unit()));
    bytes.resize(size);
    for (size_t at = 0; at + 8 <= size; at += 8) {
      const uint64_t word = random.next();
      std::memcpy(bytes.data() + at, &word, 8);
    }
    std::memcpy(bytes.data(), "%PDF-1.4\n", 9);
    const std::string path = sub + "/paper-" + std::to_string(i) + ".pdf";
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || std::fwrite(bytes.data(), 1, size, out) != size || std::fclose(out) != 0) Fail(path);
    total += size;
  }
  return total;
}

void Measure(int files) {
  QTemporaryDir dir;
  if (!dir.isValid()) Fail("temporary folder");
  const std::string root = dir.path().toStdString();
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));  // the import's preference file
  const std::string source = root + "/pdfs";
  const uint64_t bytes = WritePdfs(source, files);
  const double mb = static_cast<double>(bytes) / 1e6;

  // Nothing is removed until the end: deleting thousands of files makes the
  // next file creations slower on some file systems, which would favour
  // whichever step came first.
  const double copyIn = Seconds([&] { Run("cp -r " + Quoted(source) + " " + Quoted(root + "/copy1")); });
  const double copyInSynced = Seconds([&] {
    Run("cp -r " + Quoted(source) + " " + Quoted(root + "/copy0"));
    Run("sync");
  });

  const std::string libraryPath = root + "/library.fln";
  if (!CreateNewLibraryFile(libraryPath.c_str()).ok()) Fail("new library");
  FLN_DATA library;
  if (!ReadFlnDataFromFlnFile(libraryPath.c_str(), &library).ok()) Fail("load library");
  for (char* choice : {library.lastSelectCat1, library.lastSelectCat2, library.lastSelectCat3})
    std::strcpy(choice, kCategoryAll);
  ImportResult imported;
  int64_t written = BytesWrittenSoFar();
  double importCpu = 0;
  const double importTime = Seconds(
      [&] { imported = ImportPDFFiles(&library, source.c_str(), root.c_str(), "", "", ""); }, &importCpu);
  const int64_t importWritten = BytesWrittenSoFar() - written;
  if (imported.imported != files || !imported.failures.empty() || !imported.save.ok()) Fail("import");

  const double copyOut = Seconds([&] { Run("cp -r " + Quoted(source) + " " + Quoted(root + "/copy2")); });
  const std::string out = root + "/export";
  QDir().mkpath(QString::fromStdString(out));
  std::vector<int> rows(static_cast<size_t>(files));
  for (int i = 0; i < files; ++i) rows[static_cast<size_t>(i)] = i;
  ExportResult exported;
  written = BytesWrittenSoFar();
  double exportCpu = 0;
  const double exportTime = Seconds([&] { exported = ExportPDFFiles(&library, out.c_str(), rows); }, &exportCpu);
  const int64_t exportWritten = BytesWrittenSoFar() - written;
  if (static_cast<int>(exported.exported.size()) != files || !exported.problems.empty()) Fail("export");
  FreeFlnData(&library);
  // What the export made (each PDF with its metadata text file: two files
  // per entry) copied once more, for the share that file creation takes.
  const double copyExported = Seconds([&] { Run("cp -r " + Quoted(out) + " " + Quoted(root + "/copy3")); });

  std::printf("%5d files, %7.1f MB\n", files, mb);
  std::printf("  cp -r:   %7.2f s   cp -r + sync: %.2f s\n", copyIn, copyInSynced);
  std::printf("  import:  %7.2f s  %.2fx of cp -r + sync (target <= 2x)\n", importTime, importTime / copyInSynced);
  std::printf("  import:  %7.2f s  %.2fx of cp (target <= 2x)  %.2f ms/file (cpu %.2f)  wrote %.2fx the PDFs' bytes\n",
              importTime, importTime / copyIn, importTime * 1e3 / files, importCpu * 1e3 / files,
              static_cast<double>(importWritten) / bytes);
  std::printf("  cp -r:   %7.2f s\n", copyOut);
  std::printf("  export:  %7.2f s  %.2fx of cp (target <= 2x)  %.2f ms/file (cpu %.2f)  wrote %.2fx the PDFs' bytes\n",
              exportTime, exportTime / copyOut, exportTime * 1e3 / files, exportCpu * 1e3 / files,
              static_cast<double>(exportWritten) / bytes);
  std::printf("  cp -r of the exported folder (PDFs and .flx files): %.2f s, export %.2fx of that\n", copyExported,
              exportTime / copyExported);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) {
    const int n = std::atoi(argv[i]);
    if (n < 1) {
      std::fprintf(stderr, "usage: %s [files ...]\n", argv[0]);
      return 2;
    }
    counts.push_back(n);
  }
  if (counts.empty()) counts = {500, 2000};
  for (int n : counts) Measure(n);
  return 0;
}
