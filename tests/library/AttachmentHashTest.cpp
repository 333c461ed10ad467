// Digests of stored PDFs: the record, reading 'HASH', checking bytes against
// a digest or the entry's file size, and reading an entry's PDF checked.

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "LibraryFixtures.h"
#include "LibraryTestSupport.h"
#include "RecordFields.h"
#include "TestFiles.h"
#include "library/FlnAttachmentHash.h"
#include "library/FlnEntryPdf.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "library/FlnSave.h"
#include "format/Endian.h"

using namespace libtest;

namespace {

// Offset of the item record of member `index` of `tag`; -1 when there is none.
int64_t MemberOffset(const std::string& path, int32_t tag, int index) {
  ZEL_FILE file;
  int64_t offset = -1;
  if (ZEL_Open(path.c_str(), 1, &file) == ZEL_OK) {
    int rc = ZEL_FirstMember(&file, tag);
    for (int i = 0; rc == ZEL_OK && i < index; ++i) rc = ZEL_NextMember(&file);
    if (rc == ZEL_OK) offset = file.current.position;
  }
  ZEL_Close(&file);
  return offset;
}

std::string RecordBytes(const FLN_ATTACHMENT_HASH& record) {
  return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}

TEST(AttachmentHash, TheRecordHoldsIdLengthAndSha256LittleEndian) {
  const QByteArray pdf("%PDF-1.4 hello");
  const FLN_ATTACHMENT_HASH record = MakeAttachmentHash(0x01020304, static_cast<uint32_t>(pdf.size()), PdfDigest(pdf));
  const std::string bytes = RecordBytes(record);
  ASSERT_EQ(bytes.size(), 40u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\x04\x03\x02\x01\x0e\x00\x00\x00", 8));
  // The SHA-256 of the text, as any other tool computes it.
  EXPECT_EQ(QByteArray(bytes.data() + 8, 32).toHex().toStdString(),
            QCryptographicHash::hash("%PDF-1.4 hello", QCryptographicHash::Sha256).toHex().toStdString());
}

TEST(PdfVerifier, JudgesBytesByTheirDigestOrElseByTheEntrysFileSize) {
  const QByteArray pdf("%PDF-1.4 the stored bytes of a small document");
  const FLN_ATTACHMENT_HASH digest = MakeAttachmentHash(7, static_cast<uint32_t>(pdf.size()), PdfDigest(pdf));
  QByteArray flipped = pdf;
  flipped[20] = static_cast<char>(flipped[20] ^ 0x01);
  const QByteArray cut = pdf.left(pdf.size() - 1);
  const QByteArray longer = pdf + 'x';
  const int32_t size = static_cast<int32_t>(pdf.size());

  const struct {
    const char* name;
    const QByteArray* bytes;
    bool withDigest;
    int32_t enFileSize;
    PdfFault expected;
  } cases[] = {
      {"intact", &pdf, true, size, PdfFault::None},
      {"intact, the entry's size wrong", &pdf, true, size + 5, PdfFault::None},
      {"one bit flipped", &flipped, true, size, PdfFault::DigestMismatch},
      {"cut by a byte", &cut, true, size - 1, PdfFault::DigestMismatch},
      {"one byte longer", &longer, true, size + 1, PdfFault::DigestMismatch},
      {"no digest, size matches", &pdf, false, size, PdfFault::None},
      {"no digest, flipped but same size", &flipped, false, size, PdfFault::None},
      {"no digest, cut", &cut, false, size, PdfFault::SizeMismatch},
      {"no digest, longer", &longer, false, size, PdfFault::SizeMismatch},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Handed over in uneven pieces, as a copy reads them.
    PdfVerifier verifier(c.withDigest ? &digest : nullptr, c.enFileSize);
    for (qsizetype at = 0; at < c.bytes->size(); at += 13)
      verifier.add(c.bytes->constData() + at, static_cast<size_t>(std::min<qsizetype>(13, c.bytes->size() - at)));
    EXPECT_EQ(verifier.finish(), c.expected);
  }
}

TEST(AttachmentHashes, ReadsTheFirstRecordOfEachIdAndPassesOverTheRest) {
  TempDir dir;
  const std::string path = dir.path("lib.fln");
  ASSERT_TRUE(CreateNewLibraryFile(path.c_str()).ok());
  const FLN_ATTACHMENT_HASH first = MakeAttachmentHash(1, 10, PdfDigest("a"));
  const FLN_ATTACHMENT_HASH again = MakeAttachmentHash(1, 20, PdfDigest("b"));
  const FLN_ATTACHMENT_HASH other = MakeAttachmentHash(2, 30, PdfDigest("c"));
  SetMembers(path, kTagAttachmentHash, {RecordBytes(first), RecordBytes(again), "not a record", RecordBytes(other)});

  ZEL_FILE file;
  ASSERT_EQ(ZEL_Open(path.c_str(), 1, &file), ZEL_OK);
  AttachmentHashes hashes;
  EXPECT_TRUE(hashes.load(&file));
  ZEL_Close(&file);
  EXPECT_EQ(hashes.all().size(), 2u);
  ASSERT_NE(hashes.find(1), nullptr);
  EXPECT_EQ(ZEL_EndianLong_LtoN(hashes.find(1)->length), 10);
  ASSERT_NE(hashes.find(2), nullptr);
  EXPECT_EQ(hashes.find(3), nullptr);
  EXPECT_EQ(hashes.passedOver(), 2);
}

TEST(AttachmentHashes, ALibraryWithoutDigestsHasNoneAndABrokenChainIsSaid) {
  TempDir dir;
  const std::string path = dir.path("lib.fln");
  ASSERT_TRUE(CreateNewLibraryFile(path.c_str()).ok());
  ZEL_FILE file;
  ASSERT_EQ(ZEL_Open(path.c_str(), 1, &file), ZEL_OK);
  AttachmentHashes hashes;
  EXPECT_TRUE(hashes.load(&file));
  EXPECT_TRUE(hashes.all().empty());
  ZEL_Close(&file);

  const FLN_ATTACHMENT_HASH a = MakeAttachmentHash(1, 10, PdfDigest("a"));
  const FLN_ATTACHMENT_HASH b = MakeAttachmentHash(2, 10, PdfDigest("b"));
  SetMembers(path, kTagAttachmentHash, {RecordBytes(a), RecordBytes(b)});
  // The first member's link to the second points into nowhere.
  const int64_t head = MemberOffset(path, kTagAttachmentHash, 0);
  ASSERT_GE(head, 0);
  pokeU32LE(path, static_cast<uint64_t>(head) + zel::kNextMemberAt, 0x7FFFFFF0);
  ASSERT_EQ(ZEL_Open(path.c_str(), 1, &file), ZEL_OK);
  EXPECT_FALSE(hashes.load(&file));
  ZEL_Close(&file);
  EXPECT_NE(hashes.find(1), nullptr) << "what was read before the break is kept";
  EXPECT_EQ(hashes.find(2), nullptr);
}

// A library of one entry whose PDF is stored, with or without its digest.
class EntryPdf : public ::testing::Test {
 protected:
  void build(bool withDigest, int32_t enFileSize) {
    ASSERT_TRUE(CreateNewLibraryFile(path.c_str()).ok());
    AppendMember(path, kTagAttachmentData, "%PDF-other");
    AppendMember(path, kTagAttachmentData, pdf);
    if (withDigest)
      AppendMember(path, kTagAttachmentHash,
                   RecordBytes(MakeAttachmentHash(4, static_cast<uint32_t>(pdf.size()),
                                                  PdfDigest(QByteArray::fromStdString(pdf)))));
    // Loaded after the members went in: a library never saves over changes it did not load.
    testsupport::Load(path, &library);
    FLN_ATTACHMENT attachment{};
    attachment.at_id = ZEL_EndianLong_NtoL(4);
    attachment.en_id = ZEL_EndianLong_NtoL(9);
    attachment.dataIndex = ZEL_EndianLong_NtoL(1);
    ASSERT_EQ(Tesk_Ary_Add(library.data.attachment, &attachment), 0);
    std::memset(&entry, 0, sizeof entry);
    entry.en_id = ZEL_EndianLong_NtoL(9);
    entry.en_file_size = ZEL_EndianLong_NtoL(enFileSize);
    ASSERT_EQ(Tesk_Ary_Add(library.data.entry, &entry), 0);
    ASSERT_TRUE(SaveAll(path.c_str(), &library.data).ok());
  }
  void flipPdfByte(int at) {
    const int64_t record = MemberOffset(path, kTagAttachmentData, 1);
    std::vector<uint8_t> bytes = readAll(path);
    bytes[static_cast<size_t>(record) + zel::kRecordSize + at] ^= 0x20;
    writeAll(path, bytes);
  }

  TempDir dir;
  std::string path = dir.path("lib.fln");
  testsupport::Library library;
  FLN_ENTRY entry;
  const std::string pdf = "%PDF-1.4 entry nine";
};

TEST_F(EntryPdf, HandsOutOnlyTheBytesThatWereStored) {
  const int32_t size = static_cast<int32_t>(pdf.size());
  const struct {
    const char* name;
    bool withDigest;
    int32_t enFileSize;
    bool flip;
    PdfFault expected;
  } cases[] = {
      {"with digest", true, size, false, PdfFault::None},
      {"with digest, flipped", true, size, true, PdfFault::DigestMismatch},
      {"without digest", false, size, false, PdfFault::None},
      {"without digest, the size differs", false, size + 1, false, PdfFault::SizeMismatch},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(path.c_str());
    FreeFlnData(&library.data);
    build(c.withDigest, c.enFileSize);
    if (c.flip) flipPdfByte(3);
    PdfFault fault = PdfFault::Unreadable;
    const QByteArray bytes = ReadEntryPdf(&library.data, entry, &fault);
    EXPECT_EQ(fault, c.expected);
    EXPECT_EQ(bytes.toStdString(), c.expected == PdfFault::None ? pdf : std::string());
  }
}

TEST_F(EntryPdf, AnEntryWithoutAttachmentOrPdfIsUnreadableAndNamedInTheMessage) {
  build(true, static_cast<int32_t>(pdf.size()));
  FLN_ENTRY stranger = entry;
  stranger.en_id = ZEL_EndianLong_NtoL(10);
  SET_FIELD_TEXT(stranger, en_file_name, "論文.pdf");
  PdfFault fault = PdfFault::None;
  EXPECT_TRUE(ReadEntryPdf(&library.data, stranger, &fault).isNull());
  EXPECT_EQ(fault, PdfFault::Unreadable);
  EXPECT_EQ(EntryPdfProblem(stranger, PdfFault::DigestMismatch),
            "entry 10 (論文.pdf): its PDF is damaged: the stored bytes differ from their SHA-256 digest");
}

}  // namespace
