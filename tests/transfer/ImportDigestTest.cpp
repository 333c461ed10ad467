// What an import does with digests: each stored PDF gets one, a library
// without them gets them, and files whose bytes are already in the library
// are reported and, when asked, skipped.

#include <gtest/gtest.h>

#include <cstring>

#include "ContainerContents.h"
#include "TransferTestSupport.h"
#include "library/FlnAttachmentHash.h"
#include "library/FlnEntryPdf.h"
#include "library/FlnLoad.h"
#include "format/Endian.h"
#include "transfer/PdfImport.h"

namespace {

using namespace transfertest;

class ImportDigestTest : public SandboxLibraryTest {
 protected:
  ImportResult Import(const std::string& relative, bool skipDuplicates = false) {
    return ImportPDFFiles(&library_.data, box_.path(relative).c_str(), nullptr, "", "", "", nullptr, skipDuplicates);
  }
  // The digests of the library file, by at_id.
  AttachmentHashes Digests() {
    ZEL_FILE file;
    AttachmentHashes hashes;
    EXPECT_EQ(ZEL_Open(libraryPath_.c_str(), 1, &file), ZEL_OK);
    EXPECT_TRUE(hashes.load(&file));
    ZEL_Close(&file);
    return hashes;
  }
  // Every attachment of the library has a digest of its own PDF's bytes.
  void ExpectEveryPdfHasItsDigest() {
    const AttachmentHashes hashes = Digests();
    for (const FLN_ATTACHMENT& a : Attachments(library_.data.attachment)) {
      const FLN_ATTACHMENT_HASH* hash = hashes.find(ZEL_EndianLong_LtoN(a.at_id));
      ASSERT_NE(hash, nullptr) << "at_id " << ZEL_EndianLong_LtoN(a.at_id);
      const QByteArray pdf = StoredPdf(library_.data, ZEL_EndianLong_LtoN(a.en_id));
      EXPECT_EQ(ZEL_EndianLong_LtoN(hash->length), pdf.size());
      EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(hash->digest), 32), PdfDigest(pdf));
    }
  }
};

TEST_F(ImportDigestTest, EachStoredPdfGetsTheDigestOfItsBytes) {
  box_.makeFolder("in");
  box_.writePdf("in/a.pdf", 1000, 1);
  box_.writePdf("in/b.pdf", 3000, 2);
  ASSERT_EQ(Import("in").imported, 2);
  EXPECT_EQ(Digests().all().size(), 2u);
  ExpectEveryPdfHasItsDigest();
}

TEST_F(ImportDigestTest, ALibraryWithoutDigestsGetsThemWithTheNextImport) {
  box_.makeFolder("old");
  box_.makeFolder("new");
  box_.writePdf("old/a.pdf", 1000, 1);
  box_.writePdf("old/b.pdf", 2000, 2);
  ASSERT_EQ(Import("old").imported, 2);
  // As a library written before digests existed: no 'HASH' at all.
  SetMembers(libraryPath_, kTagAttachmentHash, {});
  FreeFlnData(&library_.data);
  Load(libraryPath_, &library_);
  ASSERT_TRUE(Digests().all().empty());

  box_.writePdf("new/c.pdf", 500, 3);
  ASSERT_EQ(Import("new/c.pdf").imported, 1);
  EXPECT_EQ(Digests().all().size(), 3u);
  ExpectEveryPdfHasItsDigest();
}

TEST_F(ImportDigestTest, FilesAlreadyInTheLibraryAreReportedAndSkippedOnlyWhenAsked) {
  box_.makeFolder("first");
  box_.writePdf("first/a.pdf", 1000, 1);
  ASSERT_EQ(Import("first").imported, 1);
  // Same bytes under other names, one of them twice in one import; and a
  // file that differs in one byte.
  box_.makeFolder("second/sub");
  box_.writePdf("second/copy-of-a.pdf", 1000, 1);
  box_.writePdf("second/sub/another-copy.pdf", 1000, 1);
  box_.writePdf("second/new.pdf", 1200, 9);
  box_.writePdf("second/twin-1.pdf", 800, 5);
  box_.writePdf("second/twin-2.pdf", 800, 5);

  const auto twins = [](const std::vector<std::string>& paths) {
    int n = 0;
    for (const std::string& path : paths) n += path.find("twin") != std::string::npos ? 1 : 0;
    return n;
  };
  const int32_t before = Tesk_Ary_GetSize(library_.data.entry);
  const ImportResult skipping = Import("second", true);
  EXPECT_EQ(skipping.listed, 5);
  EXPECT_EQ(skipping.imported, 2) << "new.pdf and the first twin met";
  EXPECT_TRUE(skipping.failures.empty());
  ASSERT_EQ(skipping.duplicates.size(), 3u);
  EXPECT_EQ(twins(skipping.duplicates), 1);
  EXPECT_EQ(Tesk_Ary_GetSize(library_.data.entry), before + 2);

  // Now every file of the folder is in the library.
  const ImportResult again = Import("second", true);
  EXPECT_EQ(again.imported, 0);
  EXPECT_EQ(again.duplicates.size(), 5u);
  const ImportResult anyway = Import("second", false);
  EXPECT_EQ(anyway.imported, 5) << "without skipping, duplicates are imported as always";
  EXPECT_EQ(anyway.duplicates.size(), 5u);
  EXPECT_EQ(twins(anyway.duplicates), 2);
  EXPECT_EQ(Tesk_Ary_GetSize(library_.data.entry), before + 7);
  ExpectEveryPdfHasItsDigest();
}

TEST_F(ImportDigestTest, TheDigestLiesBeforeTheAttachmentRecordThatItVouchesFor) {
  box_.makeFolder("in");
  box_.writePdf("in/a.pdf", 1000, 1);
  ASSERT_EQ(Import("in").imported, 1);
  EXPECT_LT(FirstItemOffset(libraryPath_, kTagAttachmentData), FirstItemOffset(libraryPath_, kTagAttachmentHash));
  EXPECT_LT(FirstItemOffset(libraryPath_, kTagAttachmentHash), FirstItemOffset(libraryPath_, kTagAttachment));
}

}  // namespace
