// recover: a new library from what a damaged one still holds.

#include <gtest/gtest.h>

#include <QDir>
#include <functional>
#include <map>

#include "CliTestSupport.h"
#include "TestFiles.h"
#include "format/FlnRecords.h"
#include "format/ZelFormat.h"

namespace {

using clitest::CliOutcome;
using clitest::CliSandbox;
using clitest::MemberOffset;

// A library of five PDFs in two category triples.
class CliRecover : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox.mustRun({"new", "lib.fln"});
    for (int i = 0; i < 5; ++i) {
      const std::string name = "p" + std::to_string(i) + ".pdf";
      pdfs[name] = sandbox.writePdf((i < 3 ? "a/" : "b/") + name, 700 + 400 * i, i + 1);
    }
    sandbox.mustRun({"import", "lib.fln", "a", "--cat1", "論文"});
    sandbox.mustRun({"import", "lib.fln", "b", "--cat1", "本", "--cat2", "2024"});
    library = sandbox.path("lib.fln");
    listing = Listing("lib.fln");
  }
  uint32_t at(int32_t tag, int index) {
    const int64_t offset = MemberOffset(library, tag, index);
    EXPECT_GE(offset, 0) << "no member " << index;
    return static_cast<uint32_t>(offset);
  }
  // "en_id title cat1/cat2/cat3" of each entry, ordered by en_id.
  std::map<int, std::string> Listing(const std::string& file) {
    std::map<int, std::string> rows;
    for (const auto& row : clitest::TabRows(sandbox.mustRun({"list", file}).out))
      rows[std::stoi(row[0])] = row[1] + " " + row[2] + "/" + row[3] + "/" + row[4];
    return rows;
  }
  // Exports every entry of `file` and compares each PDF with the one imported.
  void ExpectEveryPdfAsImported(const std::string& file, const std::map<int, std::string>& rows) {
    const std::string out = "out-" + file;
    sandbox.makeFolder(out);
    std::vector<std::string> args = {"export", file, out};
    for (const auto& [id, row] : rows) args.push_back(std::to_string(id));
    const CliOutcome exported = sandbox.mustRun(args);
    EXPECT_EQ(clitest::TabRows(exported.out).size(), rows.size());
    size_t compared = 0;
    for (const auto& [name, bytes] : pdfs) {
      const std::string path = sandbox.path(out + "/" + name);
      if (!QFileInfo::exists(QString::fromStdString(path))) continue;
      EXPECT_EQ(readAll(path), bytes) << name;
      ++compared;
    }
    EXPECT_EQ(compared, rows.size());
  }

  CliSandbox sandbox;
  std::string library;
  std::map<std::string, std::vector<uint8_t>> pdfs;  // file name → bytes
  std::map<int, std::string> listing;                // of the whole library
};

TEST_F(CliRecover, ReturnsEveryIntactEntryAndPdfAndSaysWhatWasLost) {
  const auto garbage = [&](uint32_t offset) {
    std::vector<uint8_t> bytes = readAll(library);
    for (uint32_t i = 0; i < zel::kRecordSize; ++i) bytes[offset + i] = 0xAA;
    writeAll(library, bytes);
  };
  struct Case {
    const char* what;
    std::function<void()> damage;
    size_t entriesLost;
    std::vector<std::string> lostLines;
  };
  const Case cases[] = {
      {"links of 'ENTR' and 'ATTD' broken",
       [&] {
         pokeU32LE(library, at(kTagEntry, 1) + zel::kNextMemberAt, 0x00ABCDEF);
         pokeU32LE(library, at(kTagAttachmentData, 2) + zel::kNextMemberAt, 0x7FFFFFF0);
       },
       0, {}},
      {"the tag chain broken at the root", [&] { pokeU32LE(library, zel::kRootOffset + zel::kNextTagAt, 12345); }, 0,
       {}},
      {"records of 'ENTR' and 'ATTD' destroyed",
       [&] {
         garbage(at(kTagEntry, 1));
         garbage(at(kTagAttachmentData, 3));
       },
       2, {"lost: 1 entry records cannot be read\n", ": its PDF cannot be read from the library\n"}},
      {"a PDF's byte flipped and the 'ATTD' chain broken",
       [&] {
         std::vector<uint8_t> bytes = readAll(library);
         bytes[at(kTagAttachmentData, 4) + zel::kRecordSize + 300] ^= 0x01;
         writeAll(library, bytes);
         pokeU32LE(library, at(kTagAttachmentData, 0) + zel::kNextMemberAt, 3);
       },
       1, {": its PDF is damaged: the stored bytes differ from their SHA-256 digest\n"}},
  };
  const std::vector<uint8_t> whole = readAll(library);
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeAll(library, whole);
    c.damage();
    const std::vector<uint8_t> damaged = readAll(library);
    ASSERT_EQ(sandbox.run({"check", "lib.fln"}).exitCode, 1) << "the damage must be one that check reports";

    const std::string target = "new" + std::to_string(n++) + ".fln";
    const CliOutcome recovered = sandbox.run({"recover", "lib.fln", target});
    EXPECT_TRUE(recovered.exitedNormally);
    EXPECT_EQ(recovered.exitCode, c.entriesLost == 0 ? 0 : 1) << recovered.out << recovered.err;
    EXPECT_NE(recovered.out.find("recovered " + std::to_string(listing.size() - c.entriesLost) +
                                 " entries with their PDFs and 3 category triples"),
              std::string::npos)
        << recovered.out;
    for (const std::string& line : c.lostLines)
      EXPECT_NE(recovered.out.find(line), std::string::npos) << line << "\nin\n" << recovered.out;
    if (c.entriesLost == 0) {
      EXPECT_NE(recovered.out.find("nothing was lost\n"), std::string::npos);
    }
    EXPECT_EQ(readAll(library), damaged) << "the damaged file is never changed";

    // The new library is whole; what it holds is what the library held.
    const CliOutcome check = sandbox.run({"check", target});
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_NE(check.out.find("without a digest: 0\n"), std::string::npos) << check.out;
    const std::map<int, std::string> rows = Listing(target);
    EXPECT_EQ(rows.size(), listing.size() - c.entriesLost);
    for (const auto& [id, row] : rows) EXPECT_EQ(listing.at(id), row) << "entry " << id;
    ExpectEveryPdfAsImported(target, rows);
    // A new entry takes an identifier no entry had.
    sandbox.writePdf("later/new.pdf", 500, 99);
    sandbox.mustRun({"import", target, "later"});
    EXPECT_EQ(Listing(target).rbegin()->first, listing.rbegin()->first + 1);
  }
}

TEST_F(CliRecover, NeverReplacesAFileAndRefusesWhatIsNoLibrary) {
  writeAll(sandbox.path("taken.fln"), {'x'});
  const CliOutcome taken = sandbox.run({"recover", "lib.fln", "taken.fln"});
  EXPECT_EQ(taken.exitCode, 1);
  EXPECT_NE(taken.err.find("never replaced"), std::string::npos) << taken.err;
  EXPECT_EQ(readAll(sandbox.path("taken.fln")), std::vector<uint8_t>{'x'});

  writeAll(sandbox.path("text.fln"), {'h', 'e', 'l', 'l', 'o'});
  const CliOutcome text = sandbox.run({"recover", "text.fln", "new.fln"});
  EXPECT_EQ(text.exitCode, 1);
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(sandbox.path("new.fln"))));
  EXPECT_EQ(sandbox.run({"recover", "lib.fln"}).exitCode, 2);
}

}  // namespace
