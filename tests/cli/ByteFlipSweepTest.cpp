// Flipping bytes of a small library one at a time: every flip either leaves
// each entry's PDF intact or is reported by check, and no read of a PDF ever
// hands out bytes other than the ones imported.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "LibraryFixtures.h"
#include "TestFiles.h"
#include "library/FlnLibraryCheck.h"
#include "library/FlnEntryPdf.h"
#include "library/FlnLoad.h"
#include "format/Endian.h"
#include "format/ZelFormat.h"
#include "transfer/PdfImport.h"

namespace {

// One byte of the file to flip, and what it belongs to (for the failure message).
struct Spot {
  uint64_t offset;
  std::string where;
};

// Every byte of the root record, of every item record and of every member of
// a record tag; every 53rd byte of each PDF.
std::vector<Spot> SpotsOf(const std::vector<uint8_t>& file) {
  std::vector<Spot> spots;
  for (uint64_t i = zel::kRootOffset; i < zel::kRootOffset + zel::kRecordSize; ++i) spots.push_back({i, "root"});
  for (uint64_t p = zel::kRootOffset + zel::kRecordSize; p + zel::kRecordSize <= file.size();) {
    int32_t tag;
    uint32_t length;
    std::memcpy(&tag, &file[p], 4);
    std::memcpy(&length, &file[p + 4], 4);
    tag = ZEL_EndianLong_LtoN(tag);
    const std::string name(1, static_cast<char>(tag >> 24));
    const std::string tagName = name + static_cast<char>(tag >> 16) + static_cast<char>(tag >> 8) + static_cast<char>(tag);
    for (uint64_t i = 0; i < zel::kRecordSize; ++i) spots.push_back({p + i, tagName + " item record"});
    const uint64_t data = p + zel::kRecordSize;
    const uint64_t step = tag == kTagAttachmentData ? 53 : 1;
    for (uint64_t i = 0; i < length; i += step) spots.push_back({data + i, tagName + " data"});
    p = data + length;
  }
  return spots;
}

void FlipByte(int fd, uint64_t offset) {
  unsigned char byte;
  ASSERT_EQ(pread(fd, &byte, 1, static_cast<off_t>(offset)), 1);
  byte ^= 0x5A;
  ASSERT_EQ(pwrite(fd, &byte, 1, static_cast<off_t>(offset)), 1);
}

TEST(ByteFlipSweep, EveryFlipIsHarmlessOrReportedAndNoReadHandsOutOtherBytes) {
  TempDir dir;
  const std::string path = dir.path("lib.fln");
  std::map<int32_t, QByteArray> imported;  // en_id → the PDF's bytes
  {
    testsupport::Library library;
    testsupport::CreateAndLoad(path, &library);
    for (int i = 0; i < 2; ++i) {
      const std::string pdf = dir.path("p" + std::to_string(i) + ".pdf");
      std::vector<uint8_t> bytes(700 + 300 * i);
      for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<uint8_t>(k * 31 + i * 7 + (k >> 8));
      std::memcpy(bytes.data(), "%PDF-1.4", 8);
      writeAll(pdf, bytes);
      const ImportResult r = ImportPDFFiles(&library.data, pdf.c_str(), nullptr, "", "", "");
      ASSERT_EQ(r.imported, 1);
      FLN_ENTRY entry;
      Tesk_Ary_GetData(library.data.entry, i, &entry);
      imported[ZEL_EndianLong_LtoN(entry.en_id)] = QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                                              static_cast<qsizetype>(bytes.size()));
    }
  }
  const LibraryCheckReport sound = CheckLibraryFile(path);
  ASSERT_TRUE(sound.damage.empty()) << sound.damage.front();
  ASSERT_EQ(sound.verifiedPdfs, 2);

  const std::vector<Spot> spots = SpotsOf(readAll(path));
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  int reported = 0, harmless = 0;
  for (const Spot& spot : spots) {
    FlipByte(fd, spot.offset);
    const LibraryCheckReport report = CheckLibraryFile(path);
    FLN_DATA data;
    const bool loads = ReadFlnDataFromFlnFile(path.c_str(), &data).ok();
    bool allIntact = loads && Tesk_Ary_GetSize(data.entry) == static_cast<int32_t>(imported.size());
    if (loads) {
      EntryPdfReader reader(&data);
      for (int32_t i = 0; i < Tesk_Ary_GetSize(data.entry); ++i) {
        FLN_ENTRY entry;
        Tesk_Ary_GetData(data.entry, i, &entry);
        PdfFault fault;
        const QByteArray bytes = reader.read(entry, &fault);
        const auto own = imported.find(ZEL_EndianLong_LtoN(entry.en_id));
        const bool itsOwn = own != imported.end() && bytes == own->second;
        allIntact = allIntact && fault == PdfFault::None && itsOwn;
        // Whatever else the flip did, a PDF handed out is one that was imported.
        if (fault == PdfFault::None) {
          bool wasImported = false;
          for (const auto& [id, pdf] : imported) wasImported = wasImported || bytes == pdf;
          EXPECT_TRUE(wasImported) << "byte " << spot.offset << " (" << spot.where << ")";
        }
      }
      FreeFlnData(&data);
    }
    if (!report.damage.empty())
      ++reported;
    else if (allIntact)
      ++harmless;
    else
      ADD_FAILURE() << "byte " << spot.offset << " (" << spot.where
                    << ") changed what the library gives back, and check found nothing";
    FlipByte(fd, spot.offset);
  }
  ::close(fd);
  EXPECT_EQ(reported + harmless, static_cast<int>(spots.size()));
  EXPECT_GT(reported, 0);
  std::printf("%zu flips: %d reported by check, %d harmless\n", spots.size(), reported, harmless);
}

}  // namespace
