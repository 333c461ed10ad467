// check, and every command on a library file that is not whole.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <cstring>
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

constexpr uint32_t kNextTagAt = zel::kNextTagAt;
constexpr uint32_t kData = zel::kRecordSize;  // data follow the item record

TEST(CliCheck, ReportsTheTagsOfANewLibrary) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  // 512 header + 36 root + each item's 36-byte record and its data.
  const CliOutcome outcome = sandbox.mustRun({"check", "lib.fln"});
  EXPECT_EQ(outcome.out,
            "lib.fln: 4648 bytes\n"
            "tag           members     data bytes\n"
            "'LABE'              3            984\n"
            "'CAT1'              1            324\n"
            "'CAT2'              1            324\n"
            "'CAT3'              1            324\n"
            "'CATS'              1            836\n"
            "'IDCO'              6            840\n"
            "dead bytes: 0\n"
            "PDFs of no entry: 0 (0 bytes)\n"
            "no damage found\n");
  EXPECT_EQ(outcome.err, "");
}

// A library of three imported PDFs (1000, 2000 and 3000 bytes).
class CliCheckDamage : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox.mustRun({"new", "lib.fln"});
    for (int i = 1; i <= 3; ++i) sandbox.writePdf("in/" + std::to_string(i) + ".pdf", i * 1000, i);
    sandbox.mustRun({"import", "lib.fln", "in"});
    library = sandbox.path("lib.fln");
  }
  // The data length of member `index` of 'ATTD' (the PDFs lie in the order the folder listed them).
  uint32_t pdfLength(int index) {
    const std::vector<uint8_t> bytes = readAll(library);
    uint32_t length;
    std::memcpy(&length, bytes.data() + at(kTagAttachmentData, index) + zel::kDataLengthAt, 4);
    return length;
  }
  uint32_t at(int32_t tag, int index) {
    const int64_t offset = MemberOffset(library, tag, index);
    EXPECT_GE(offset, 0) << "no member " << index;
    return static_cast<uint32_t>(offset);
  }

  CliSandbox sandbox;
  std::string library;
};

TEST_F(CliCheckDamage, AWholeLibraryCountsItsMembersAndDeadBytes) {
  const CliOutcome before = sandbox.mustRun({"check", "lib.fln"});
  for (const char* line : {"'ENTR'              3          13932\n", "'ATTA'              3            228\n",
                           "'ATTD'              3           6000\n", "'IDCO'              8           1120\n",
                           "dead bytes: 0\n", "no damage found\n"})
    EXPECT_NE(before.out.find(line), std::string::npos) << line << "in\n" << before.out;

  // A deleted entry leaves its record, its attachment record, its PDF's
  // digest and its PDF behind: the records as dead bytes, the PDF as one of
  // no entry.
  const std::string id = clitest::TabRows(sandbox.mustRun({"list", "lib.fln", "--sort", "fileSize"}).out)[0][0];
  sandbox.mustRun({"delete", "lib.fln", id});
  const CliOutcome after = sandbox.mustRun({"check", "lib.fln"});
  const std::string dead = "dead bytes: " + std::to_string(sizeof(FLN_ENTRY) + sizeof(FLN_ATTACHMENT) +
                                                           sizeof(FLN_ATTACHMENT_HASH) + 3 * kData);
  EXPECT_NE(after.out.find(dead + "\n"), std::string::npos) << after.out;
  EXPECT_NE(after.out.find("'HASH'              2             80\n"), std::string::npos) << after.out;
  EXPECT_NE(after.out.find("PDFs of no entry: 1 (1000 bytes)\n"), std::string::npos) << after.out;
}

TEST_F(CliCheckDamage, FindsEachKindOfDamage) {
  struct Case {
    const char* what;
    std::function<void()> damage;
    std::function<std::string()> expected;  // a line of the report
  };
  const Case cases[] = {
      {"link into a PDF's bytes",
       [&] { pokeU32LE(library, at(kTagEntry, 0) + zel::kNextMemberAt, at(kTagAttachmentData, 0) + 40); },
       [] { return "damage: the member chain of 'ENTR' is broken after 1 members"; }},
      {"root record's link",
       [&] { pokeU32LE(library, zel::kRootOffset + kNextTagAt, 0xFFFFFF00u); },
       [] { return "damage: the tag chain is broken at the root record"; }},
      {"back link",
       [&] { pokeU32LE(library, at(kTagEntry, 2) + zel::kPrevMemberAt, at(kTagEntry, 0)); },
       [&] {
         return "damage: the back link of 'ENTR' member 2 at offset " + std::to_string(at(kTagEntry, 2)) +
                " does not name the member before it";
       }},
      {"loop", [&] { pokeU32LE(library, at(kTagEntry, 2) + zel::kNextMemberAt, at(kTagEntry, 0)); },
       [&] {
         return "damage: the member chain of 'ENTR' loops back to the item at offset " +
                std::to_string(at(kTagEntry, 0));
       }},
      {"overlap", [&] { pokeU32LE(library, at(kTagLabel, 0) + zel::kDataLengthAt, sizeof(FLN_LABEL) + kData); },
       [&] {
         return "damage: the items at offsets " + std::to_string(at(kTagLabel, 0)) + " and " +
                std::to_string(at(kTagLabel, 1)) + " overlap";
       }},
      {"record length",
       [&] { pokeU32LE(library, at(kTagEntry, 2) + zel::kDataLengthAt, 100); },
       [] { return "damage: 'ENTR': 1 of 3 members are not 4644 bytes long"; }},
      {"digest length",
       [&] { pokeU32LE(library, at(kTagAttachmentHash, 1) + zel::kDataLengthAt, 36); },
       [] { return "damage: 'HASH': 1 of 3 members are not 40 bytes long"; }},
      {"foreign tag code", [&] { pokeU32LE(library, at(kTagEntry, 1) + zel::kTagAt, ZelTag("ENTX")); },
       [] { return "damage: the member chain of 'ENTR' is broken after 1 members"; }},
      {"missing label",
       [&] { pokeU32LE(library, at(kTagLabel, 0) + zel::kNextMemberAt, static_cast<uint32_t>(zel::kNone)); },
       [] { return "damage: there is no label for category level 2"; }},
      {"missing PDF", [&] { pokeU32LE(library, at(kTagAttachment, 1) + kData + 8, 99); },
       [] { return "(member 99 of 'ATTD') does not exist"; }},
      {"shared en_id",
       [&] {
         const std::vector<uint8_t> bytes = readAll(library);
         uint32_t first;
         std::memcpy(&first, bytes.data() + at(kTagEntry, 0) + kData, 4);
         pokeU32LE(library, at(kTagEntry, 1) + kData, first);
       },
       [] { return "damage: more than one entry has the en_id "; }},
      {"counter behind",
       [&] {
         const int counter = clitest::MemberIndexOfCounter(library, "en_id");
         pokeU32LE(library, at(kTagIdCounter, counter) + kData + 72, 1);
       },
       [] { return "damage: the stored en_id counter stands at 1, but identifiers up to 2 are in use"; }},
      {"flipped PDF byte",
       [&] {
         std::vector<uint8_t> bytes = readAll(library);
         bytes[at(kTagAttachmentData, 1) + kData + 500] ^= 0x10;
         writeAll(library, bytes);
       },
       [&] {
         return "(member 1 of 'ATTD') is damaged: its " + std::to_string(pdfLength(1)) +
                " bytes differ from their SHA-256 digest";
       }},
      {"PDF length cut",
       [&] { pokeU32LE(library, at(kTagAttachmentData, 2) + zel::kDataLengthAt, pdfLength(2) - 1); },
       [&] {
         return "(member 2 of 'ATTD') is damaged: its " + std::to_string(pdfLength(2) - 1) +
                " bytes differ from their SHA-256 digest";
       }},
      {"shared PDF", [&] { pokeU32LE(library, at(kTagAttachment, 1) + kData + 8, 0); },
       [] { return " share one PDF (member 0 of 'ATTD')"; }},
      {"entry's file size", [&] { pokeU32LE(library, at(kTagEntry, 0) + kData + 3216, 5); },
       [] { return ": its file size 5 differs from the length of its stored PDF, "; }},
      {"cut short", [&] { ASSERT_EQ(truncate(library.c_str(), 300), 0); },
       [] { return "damage: truncated: the file has 300 bytes, fewer than the 512-byte container header"; }},
  };
  const std::vector<uint8_t> whole = readAll(library);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeAll(library, whole);
    const std::string expected = c.expected();  // offsets as the whole file has them
    c.damage();
    const CliOutcome outcome = sandbox.run({"check", "lib.fln"});
    EXPECT_TRUE(outcome.exitedNormally);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.out.find(expected), std::string::npos) << expected << "\nin\n" << outcome.out << outcome.err;
    EXPECT_EQ(outcome.out.find("no damage found"), std::string::npos);
  }
}

TEST_F(CliCheckDamage, ReportsPdfsWithoutDigestAndStaleDigestsAndFixAddsTheMissingOnes) {
  const CliOutcome sound = sandbox.mustRun({"check", "lib.fln"});
  EXPECT_NE(sound.out.find("PDFs matching their digest: 3, without a digest: 0\n"), std::string::npos) << sound.out;

  // A digest that names no attachment (as an import stopped before saving
  // its records leaves it) is ignored with a warning; its PDF has none now.
  pokeU32LE(library, at(kTagAttachmentHash, 1) + kData, 999);
  const CliOutcome stale = sandbox.run({"check", "lib.fln"});
  EXPECT_EQ(stale.exitCode, 0) << stale.out;
  EXPECT_NE(stale.out.find("PDFs matching their digest: 2, without a digest: 1 (check --fix adds them)\n"),
            std::string::npos)
      << stale.out;
  EXPECT_NE(stale.out.find("warning: 1 digests name no attachment (stale; ignored)\n"), std::string::npos)
      << stale.out;
  EXPECT_NE(stale.out.find("no damage found\n"), std::string::npos);

  const CliOutcome fixed = sandbox.mustRun({"check", "lib.fln", "--fix"});
  EXPECT_EQ(fixed.out.rfind("digests added: 1\n", 0), 0u) << fixed.out;
  EXPECT_NE(fixed.out.find("PDFs matching their digest: 3, without a digest: 0\n"), std::string::npos) << fixed.out;
  // A second fix has nothing left to do.
  EXPECT_EQ(sandbox.mustRun({"check", "lib.fln", "--fix"}).out.rfind("digests added: 0\n", 0), 0u);
}

TEST_F(CliCheckDamage, FixGivesNoDigestToAPdfWhoseLengthIsNotItsEntrysSize) {
  // As a library written before digests, with one PDF cut short.
  const uint32_t length = pdfLength(2);
  for (int i = 0; i < 3; ++i) pokeU32LE(library, at(kTagAttachmentHash, i) + kData, 1000 + i);
  pokeU32LE(library, at(kTagAttachmentData, 2) + zel::kDataLengthAt, length - 1);
  const CliOutcome fixed = sandbox.run({"check", "lib.fln", "--fix"});
  EXPECT_EQ(fixed.exitCode, 1);
  EXPECT_EQ(fixed.out.rfind("digests added: 2\n", 0), 0u) << fixed.out;
  EXPECT_NE(fixed.err.find("1 PDFs were given no digest: their length differs from their entry's file size"),
            std::string::npos)
      << fixed.err;
  EXPECT_NE(fixed.out.find("its file size " + std::to_string(length) + " differs from the length of its stored PDF, " +
                           std::to_string(length - 1) + " bytes"),
            std::string::npos)
      << fixed.out;
}

TEST_F(CliCheckDamage, DamageAmongThePdfsLeavesEveryEntryReachable) {
  // The entries by the size of their PDF, and the size of each stored PDF.
  const auto rows = clitest::TabRows(sandbox.mustRun({"list", "lib.fln", "--sort", "fileSize"}).out);
  ASSERT_EQ(rows.size(), 3u);
  std::map<std::string, std::string> idOfSize;
  for (const auto& row : rows) idOfSize[row[6]] = row[0];
  std::vector<std::string> idOfMember;
  for (int member = 0; member < 3; ++member) {
    const std::vector<uint8_t> bytes = readAll(library);
    uint32_t length;
    std::memcpy(&length, bytes.data() + at(kTagAttachmentData, member) + zel::kDataLengthAt, sizeof length);
    idOfMember.push_back(idOfSize[std::to_string(length)]);
  }

  // The first PDF's link to the next leads out of the file: the second and
  // third PDFs cannot be reached any more.
  pokeU32LE(library, at(kTagAttachmentData, 0) + zel::kNextMemberAt, 0xFFFFFF00u);
  const std::vector<uint8_t> damaged = readAll(library);

  const CliOutcome list = sandbox.mustRun({"list", "lib.fln", "--sort", "fileSize"});
  EXPECT_EQ(clitest::TabRows(list.out), rows);

  const CliOutcome check = sandbox.run({"check", "lib.fln"});
  EXPECT_EQ(check.exitCode, 1);
  for (const std::string& line :
       {std::string("damage: the member chain of 'ATTD' is broken after 1 members\n"),
        "damage: the PDF of entry " + idOfMember[1] +
            " (member 1 of 'ATTD') cannot be read: the chain of 'ATTD' is broken before it\n",
        "damage: the PDF of entry " + idOfMember[2] +
            " (member 2 of 'ATTD') cannot be read: the chain of 'ATTD' is broken before it\n"})
    EXPECT_NE(check.out.find(line), std::string::npos) << line << "in\n" << check.out;
  EXPECT_EQ(check.out.find("entry " + idOfMember[0]), std::string::npos) << check.out;

  sandbox.makeFolder("out");
  const CliOutcome exported = sandbox.run({"export", "lib.fln", "out", idOfMember[0], idOfMember[1], idOfMember[2]});
  EXPECT_EQ(exported.exitCode, 1);
  EXPECT_EQ(clitest::TabRows(exported.out).size(), 1u) << exported.out;
  EXPECT_EQ(exported.out.rfind(idOfMember[0] + "\t", 0), 0u) << exported.out;
  for (int member : {1, 2})
    EXPECT_NE(exported.err.find("entry " + idOfMember[member] + ": its PDF cannot be read from the library"),
              std::string::npos)
        << exported.err;
  // The export's dates were saved into the damaged library, which still lists
  // every entry.
  EXPECT_NE(readAll(library), damaged);
  EXPECT_EQ(clitest::Column(clitest::TabRows(sandbox.mustRun({"list", "lib.fln", "--sort", "fileSize"}).out), 0),
            clitest::Column(rows, 0));
}

TEST(CliDamagedLibrary, EveryCommandRefusesItWithAMessage) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "whole.fln"});
  sandbox.writePdf("in/one.pdf", 300, 1);
  sandbox.mustRun({"import", "whole.fln", "in"});
  const std::vector<uint8_t> whole = readAll(sandbox.path("whole.fln"));

  std::vector<uint8_t> cut(whole.begin(), whole.begin() + 300);
  writeAll(sandbox.path("cut.fln"), cut);
  writeAll(sandbox.path("text.fln"), {'h', 'e', 'l', 'l', 'o', '\n'});
  std::vector<uint8_t> broken = whole;
  broken[zel::kRootOffset + kNextTagAt + 3] = 0x7F;  // the first tag "lies" far beyond the end
  writeAll(sandbox.path("broken.fln"), broken);
  std::vector<uint8_t> noise(whole.begin(), whole.begin() + zel::kHeaderSize);
  for (uint32_t i = 0; i < 6000; ++i) noise.push_back(static_cast<uint8_t>(i * 2654435761u >> 24));
  writeAll(sandbox.path("noise.fln"), noise);
  sandbox.makeFolder("folder.fln");
  sandbox.makeFolder("out");

  for (const char* file : {"cut.fln", "text.fln", "broken.fln", "noise.fln", "missing.fln", "folder.fln"}) {
    const std::vector<std::vector<std::string>> commands = {
        {"list", file},   {"categories", file},        {"export", file, "out", "0"},
        {"delete", file, "0"}, {"import", file, "in/one.pdf"}, {"check", file}};
    const std::vector<uint8_t> before = QFileInfo(QString::fromStdString(sandbox.path(file))).isFile()
                                            ? readAll(sandbox.path(file))
                                            : std::vector<uint8_t>();
    for (const auto& args : commands) {
      SCOPED_TRACE(args[0] + " " + file);
      const CliOutcome outcome = sandbox.run(args);
      EXPECT_TRUE(outcome.exitedNormally);
      EXPECT_EQ(outcome.exitCode, 1);
      const bool reportsDamage = args[0] == "check" && outcome.out.find("\ndamage: ") != std::string::npos;
      if (!reportsDamage) {
        EXPECT_EQ(outcome.err.rfind("folian-cli: " + std::string(file) + ": ", 0), 0u) << outcome.err;
        EXPECT_EQ(outcome.out, "");
      }
    }
    if (!before.empty()) {
      EXPECT_EQ(readAll(sandbox.path(file)), before) << file << " was changed";
    }
  }
  EXPECT_TRUE(QDir(QString::fromStdString(sandbox.path("out"))).isEmpty());
}

}  // namespace
