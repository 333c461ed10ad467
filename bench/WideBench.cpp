// Run: cmake -S . -B build-bench -G Ninja -DFOLIAN_BUILD_BENCH=ON -DFOLIAN_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release && cmake --build build-bench --target folian_wide_bench && build-bench/bench/folian_wide_bench [MiB per PDF] [PDFs per batch]
//
// A real run past 4 GiB: imports batches of large generated PDFs into a new
// library (32-bit offsets) until the next batch would pass 4 GiB, shows that
// the import is refused there, converts the library to 64-bit offsets,
// imports on past 4 GiB, then opens the library and reads its last PDF back.
// Prints the time and throughput of each step, with `cp` of the library as
// the yardstick for the conversion. Defaults: 64 MiB PDFs, 8 per batch
// (512 MiB of distinct PDFs on disk, imported again and again), ending near
// 4.6 GiB. It needs about three times that much free space under $TMPDIR (or
// /tmp): the PDFs, the library, and the converted copy while it is written;
// it checks first and refuses to start without it, and removes everything
// it wrote when done.

#include <QDir>
#include <QTemporaryDir>
#include <sys/statvfs.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "format/CategoryNames.h"
#include "library/FlnAttachment.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "library/FlnUpgrade.h"
#include "format/Endian.h"
#include "transfer/ImportFit.h"
#include "transfer/PdfImport.h"

namespace {

constexpr uint64_t kGiB = uint64_t{1} << 30, kMiB = uint64_t{1} << 20;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "failed: %s\n", what.c_str());
  std::exit(1);
}

double Seconds(const std::function<void()>& step) {
  if (std::system("sync") != 0) Fail("sync");
  const auto start = std::chrono::steady_clock::now();
  step();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

uint64_t SizeOf(const std::string& path) { return static_cast<uint64_t>(QFileInfo(QString::fromStdString(path)).size()); }

// Writes `count` PDFs of `size` bytes each (distinct bytes) into `folder`.
void WritePdfs(const std::string& folder, int count, uint64_t size) {
  if (!QDir().mkpath(QString::fromStdString(folder))) Fail("mkdir " + folder);
  std::vector<uint64_t> words(size / 8);
  uint64_t state = 0x9E3779B97F4A7C15ull;
  for (int i = 0; i < count; ++i) {
    for (uint64_t& w : words) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      w = state;
    }
    std::memcpy(words.data(), "%PDF-1.4\n", 9);
    const std::string path = folder + "/big-" + std::to_string(i) + ".pdf";
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || std::fwrite(words.data(), 8, words.size(), out) != words.size() || std::fclose(out) != 0)
      Fail(path);
  }
}

struct Batch {
  double seconds;
  uint64_t bytes;
};

// Imports the folder once; fails unless every PDF is in.
Batch ImportBatch(FLN_DATA* library, const std::string& folder, int count) {
  const uint64_t before = SizeOf(library->filePath);
  ImportResult result;
  const double s = Seconds([&] { result = ImportPDFFiles(library, folder.c_str(), nullptr, "", "", ""); });
  if (result.imported != count || !result.failures.empty() || !result.save.ok()) Fail("import batch");
  return {s, SizeOf(library->filePath) - before};
}

void PrintRate(const char* what, double seconds, uint64_t bytes) {
  std::printf("  %-44s %8.2f s  %7.1f MB/s  (%.2f GiB)\n", what, seconds, static_cast<double>(bytes) / 1e6 / seconds,
              static_cast<double>(bytes) / static_cast<double>(kGiB));
}

}  // namespace

int main(int argc, char** argv) {
  const uint64_t pdfSize = (argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64) * kMiB;
  const int perBatch = argc > 2 ? std::atoi(argv[2]) : 8;
  if (pdfSize < kMiB || pdfSize > kGiB || perBatch < 1) {
    std::fprintf(stderr, "usage: %s [MiB per PDF, 1-1024] [PDFs per batch]\n", argv[0]);
    return 2;
  }
  const uint64_t batchBytes = pdfSize * static_cast<uint64_t>(perBatch);
  const uint64_t target = 4 * kGiB + batchBytes;  // one batch past the limit

  QTemporaryDir dir;
  if (!dir.isValid()) Fail("temporary folder");
  const std::string root = dir.path().toStdString();
  struct statvfs fs;
  if (statvfs(root.c_str(), &fs) != 0) Fail("statvfs " + root);
  const uint64_t free = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
  const uint64_t needed = batchBytes + 2 * target + kGiB;
  std::printf("free space under %s: %.1f GiB, this run needs %.1f GiB\n", root.c_str(),
              static_cast<double>(free) / kGiB, static_cast<double>(needed) / kGiB);
  if (free < needed) Fail("not enough free space; set TMPDIR to a folder on a larger disk");
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));

  const std::string pdfs = root + "/pdfs";
  WritePdfs(pdfs, perBatch, pdfSize);
  const std::string path = root + "/library.fln";
  if (!CreateNewLibraryFile(path.c_str()).ok()) Fail("new library");
  FLN_DATA library;
  if (!ReadFlnDataFromFlnFile(path.c_str(), &library).ok()) Fail("load");
  for (char* choice : {library.lastSelectCat1, library.lastSelectCat2, library.lastSelectCat3})
    std::strcpy(choice, kCategoryAll);

  // 1. Batches into the library with 32-bit offsets, as long as they fit.
  double narrowSeconds = 0;
  uint64_t narrowBytes = 0;
  int batches = 0;
  while (CheckImportFits(&library, pdfs).fits) {
    const Batch b = ImportBatch(&library, pdfs, perBatch);
    narrowSeconds += b.seconds;
    narrowBytes += b.bytes;
    ++batches;
  }
  const ImportFitCheck refused = CheckImportFits(&library, pdfs);
  std::printf("%d PDFs of %llu MiB, %d per batch\n", perBatch * batches, static_cast<unsigned long long>(pdfSize / kMiB),
              perBatch);
  PrintRate("import, 32-bit offsets", narrowSeconds, narrowBytes);
  std::printf("  the next batch is refused: library %.3f GiB, would need %.3f GiB more (limit 4 GiB)\n",
              static_cast<double>(refused.fileSize) / kGiB, static_cast<double>(refused.needed) / kGiB);
  if (refused.fits || refused.wide) Fail("the import past 4 GiB was not refused");

  // 2. The conversion, against cp of the same file.
  const uint64_t narrowSize = SizeOf(path);
  const double cp = Seconds([&] {
    if (std::system(("cp '" + path + "' '" + root + "/copy.fln' && sync").c_str()) != 0) Fail("cp");
  });
  QFile::remove(QString::fromStdString(root + "/copy.fln"));
  LibraryLock lock;
  if (lock.acquire(path, LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand) != LibraryLockStatus::Held)
    Fail("lock");
  FlnResult upgraded;
  const double upgrade = Seconds([&] {
    upgraded = UpgradeLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, nullptr);
  });
  if (!upgraded.ok()) Fail("upgrade: " + upgraded.reason);
  PrintRate("conversion to 64-bit offsets (flushed)", upgrade, narrowSize);
  PrintRate("cp of the library + sync", cp, narrowSize);
  std::printf("  conversion %.2fx of cp\n", upgrade / cp);

  // 3. Past 4 GiB: the library is reloaded from the converted file.
  FreeFlnData(&library);
  if (!ReadFlnDataFromFlnFile(path.c_str(), &library).ok()) Fail("load converted");
  for (char* choice : {library.lastSelectCat1, library.lastSelectCat2, library.lastSelectCat3})
    std::strcpy(choice, kCategoryAll);
  double wideSeconds = 0;
  uint64_t wideBytes = 0;
  while (SizeOf(path) < target) {
    const Batch b = ImportBatch(&library, pdfs, perBatch);
    wideSeconds += b.seconds;
    wideBytes += b.bytes;
  }
  PrintRate("import, 64-bit offsets, past 4 GiB", wideSeconds, wideBytes);
  const int32_t entries = Tesk_Ary_GetSize(library.entry);
  FreeFlnData(&library);

  FlnResult reopened;
  const double open = Seconds([&] { reopened = ReadFlnDataFromFlnFile(path.c_str(), &library); });
  if (!reopened.ok()) Fail("open: " + reopened.reason);
  FLN_ATTACHMENT last;
  Tesk_Ary_GetData(library.attachment, Tesk_Ary_GetSize(library.attachment) - 1, &last);
  QByteArray pdf;
  const double read = Seconds([&] { pdf = ReadPDFData_ByFLNFile(ZEL_EndianLong_LtoN(last.dataIndex), path.c_str()); });
  if (static_cast<uint64_t>(pdf.size()) != pdfSize) Fail("read back the last PDF");
  std::printf("  library %.3f GiB, %d entries: open %.1f ms, last PDF (beyond 4 GiB) read and checked in %.1f ms\n",
              static_cast<double>(SizeOf(path)) / kGiB, static_cast<int>(entries), open * 1e3, read * 1e3);
  FreeFlnData(&library);
  return 0;  // the temporary folder goes with `dir`
}
