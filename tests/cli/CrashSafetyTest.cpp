// A library survives its writers: kills after every write and every flush of
// the commands that change it, an I/O error at any one write, read or flush,
// and two writers racing for one file. After each, once whoever opens the
// library next has rolled back what was left unfinished, the library opens,
// every entry that was not asked to go is there with its own PDF, and
// `folian-cli check` finds it sound.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <set>

#include "CliTestSupport.h"
#include "TestFiles.h"
#include "library/FlnAttachment.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnLoad.h"
#include "library/FlnUpgrade.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "storage/ZelJournal.h"

namespace {

using clitest::CliOutcome;
using clitest::CliSandbox;
using clitest::TabRows;

using Bytes = std::vector<uint8_t>;

struct StoredEntry {
  std::string source;  // en_file_path: the file it was imported from
  std::string cat1;
  Bytes pdf;
};

// Every entry of the library at `path` with its PDF; false when it does not load.
bool ReadEntries(const std::string& path, std::map<int32_t, StoredEntry>* entries, std::string* why) {
  FLN_DATA data;
  const FlnResult loaded = ReadFlnDataFromFlnFile(path.c_str(), &data);
  if (!loaded.ok()) {
    *why = loaded.reason;
    return false;
  }
  std::map<int32_t, int32_t> dataIndexOf;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(data.attachment); ++i) {
    FLN_ATTACHMENT a;
    Tesk_Ary_GetData(data.attachment, i, &a);
    dataIndexOf.emplace(ZEL_EndianLong_LtoN(a.en_id), ZEL_EndianLong_LtoN(a.dataIndex));
  }
  bool unique = true;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(data.entry); ++i) {
    FLN_ENTRY e;
    Tesk_Ary_GetData(data.entry, i, &e);
    const int32_t id = ZEL_EndianLong_LtoN(e.en_id);
    char source[1024] = {};
    FLN_COMM_ConvertUniCharToChar_LtoN(e.en_file_path, sizeof e.en_file_path, source, sizeof source);
    char cat1[512] = {};
    FLN_COMM_ConvertUniCharToChar_LtoN(e.en_c1_name, sizeof e.en_c1_name, cat1, sizeof cat1);
    StoredEntry stored{source, cat1, {}};
    const auto index = dataIndexOf.find(id);
    if (index != dataIndexOf.end()) {
      const QByteArray pdf = ReadPDFData_ByFLNFile(index->second, path.c_str());
      stored.pdf.assign(pdf.begin(), pdf.end());
    }
    unique = entries->emplace(id, stored).second && unique;
  }
  FreeFlnData(&data);
  if (!unique) *why = "two entries share an en_id";
  return unique;
}

// The points of one kind to try out of `count`: all of them when there are
// few, else the first and last ones and an even spread in between.
std::vector<long> Points(long count, long most) {
  std::vector<long> points;
  if (count <= most) {
    for (long n = 1; n <= count; ++n) points.push_back(n);
    return points;
  }
  const long ends = most / 4;
  for (long n = 1; n <= ends; ++n) points.push_back(n);
  const long middle = most - 2 * ends;
  for (long k = 1; k <= middle; ++k) points.push_back(ends + k * (count - 2 * ends) / (middle + 1));
  for (long n = count - ends + 1; n <= count; ++n) points.push_back(n);
  return points;
}

struct Counts {
  long writes = 0, flushes = 0, reads = 0;
};

struct Scenario {
  const char* name;
  std::vector<std::string> args;  // after the fault: the driver's command
  std::set<int32_t> mayGo;        // entries the command is asked to remove
  std::function<bool(const std::map<int32_t, StoredEntry>&)> done;  // the command's whole effect is there
  // The command's effect on the entries is all there or not there at all
  // after a kill (and after an I/O error too, unless `failureKeepsTheRest`).
  std::function<bool(const std::map<int32_t, StoredEntry>&)> wholeOrNone;
  // An import reports a file it could not store and still imports the others.
  bool failureKeepsTheRest = false;
  // Whatever stopped it, check finds nothing to warn about either (an import
  // stopped midway may leave digests of PDFs it never recorded).
  bool checksClean = false;
};

class CrashSafety : public ::testing::Test {
 protected:
  static constexpr int kEntries = 40;

  void SetUp() override {
    for (int i = 0; i < kEntries; ++i) remember("old/" + std::to_string(i) + ".pdf", 700 + 37 * i, i);
    for (int i = 0; i < 5; ++i) remember("new/" + std::to_string(i) + ".pdf", 900 + 11 * i, 100 + i);
    sandbox.mustRun({"new", "base.fln"});
    sandbox.mustRun({"import", "base.fln", "old"});
    std::string why;
    ASSERT_TRUE(ReadEntries(sandbox.path("base.fln"), &base, &why)) << why;
    ASSERT_EQ(base.size(), static_cast<size_t>(kEntries));
    for (const auto& entry : base) ids.push_back(entry.first);
  }

  void remember(const std::string& relative, int size, int seed) {
    sources[sandbox.path(relative)] = sandbox.writePdf(relative, size, seed);
  }

  // Runs the driver on a fresh copy of the base library.
  QProcess::ExitStatus runDriver(const std::string& fault, const std::vector<std::string>& args, int* exitCode,
                                 Counts* counts) {
    const std::string work = sandbox.path("work.fln");
    std::remove(ZelJournal::PathFor(work).c_str());
    writeAll(work, readAll(sandbox.path("base.fln")));
    QProcess driver;
    QStringList arguments = {QString::fromStdString(fault)};
    for (const std::string& arg : args) arguments << QString::fromStdString(arg);
    driver.setProcessEnvironment(sandbox.environment());
    driver.setWorkingDirectory(QString::fromStdString(sandbox.path("")));
    driver.start(QStringLiteral(FOLIAN_CRASH_DRIVER_PATH), arguments);
    EXPECT_TRUE(driver.waitForFinished(-1));
    *exitCode = driver.exitCode();
    const std::string err = driver.readAllStandardError().toStdString();
    const size_t at = err.rfind("driver: writes=");
    if (counts != nullptr && at != std::string::npos)
      std::sscanf(err.c_str() + at, "driver: writes=%ld flushes=%ld reads=%ld", &counts->writes, &counts->flushes,
                  &counts->reads);
    return driver.exitStatus();
  }

  // What must hold after any run; returns the number of entries lost or
  // damaged (0 when the library holds up), adding a test failure for each.
  int verify(const Scenario& s, const std::string& context, bool finished, bool killed) {
    SCOPED_TRACE(context);
    const std::string work = sandbox.path("work.fln");
    {
      // Whoever opens it next rolls back an unfinished change under the lock.
      LibraryLock lock;
      EXPECT_EQ(lock.acquire(work, LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand),
                LibraryLockStatus::Held)
          << lock.problem();
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(ZelJournal::PathFor(work))));
    // Nor does a killed conversion's or compaction's new file stay beside it.
    EXPECT_EQ(QDir(QString::fromStdString(sandbox.path(""))).entryList({"work.fln.new-*"}, QDir::Files),
              QStringList());
    std::map<int32_t, StoredEntry> now;
    std::string why;
    if (!ReadEntries(work, &now, &why)) {
      ADD_FAILURE() << "the library does not open: " << why;
      return kEntries;
    }
    int lost = 0;
    for (const auto& [id, was] : base) {
      if (s.mayGo.count(id)) continue;
      const auto it = now.find(id);
      if (it == now.end() || it->second.source != was.source || it->second.pdf != was.pdf) {
        ADD_FAILURE() << "entry " << id << (it == now.end() ? " lost" : " lost its PDF");
        ++lost;
      }
    }
    for (const auto& [id, entry] : now) {
      const auto source = sources.find(entry.source);
      if (source == sources.end() || source->second != entry.pdf) {
        ADD_FAILURE() << "entry " << id << " does not hold the PDF it was imported from";
        ++lost;
      }
    }
    if (finished) {
      EXPECT_TRUE(s.done(now)) << "the command succeeded but its change is not all there";
    }
    if (s.wholeOrNone && (killed || !s.failureKeepsTheRest) && !s.wholeOrNone(now)) {
      ADD_FAILURE() << "the entries hold half of the change";
      ++lost;
    }
    const CliOutcome check = sandbox.run({"check", "work.fln"});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    if (s.checksClean) {
      EXPECT_EQ(check.out.find("warning:"), std::string::npos) << check.out;
    }
    return lost;
  }

  // Kills and fails the scenario at its points; prints what was tried.
  void tortureScenario(const Scenario& s) {
    int code = -1;
    Counts counts;
    ASSERT_EQ(runDriver("none", s.args, &code, &counts), QProcess::NormalExit);
    ASSERT_EQ(code, 0);
    ASSERT_EQ(verify(s, "undisturbed", true, false), 0);
    ASSERT_GT(counts.writes, 0);
    ASSERT_GT(counts.flushes, 0);

    const struct {
      const char* kind;
      long count;
      long most;
    } kinds[] = {{"kill-write", counts.writes, 100},
                 {"kill-flush", counts.flushes, 60},
                 {"fail-write", counts.writes, 30},
                 {"fail-flush", counts.flushes, 30},
                 {"fail-read", counts.reads, 30}};
    std::string report = std::string(s.name) + ":";
    for (const auto& k : kinds) {
      const bool kills = std::string(k.kind).rfind("kill", 0) == 0;
      int lostRuns = 0;
      const std::vector<long> points = Points(k.count, k.most);
      for (long n : points) {
        const std::string fault = std::string(k.kind) + ":" + std::to_string(n);
        const QProcess::ExitStatus status = runDriver(fault, s.args, &code, nullptr);
        if (kills) {
          EXPECT_EQ(status, QProcess::CrashExit) << fault << ": the driver was to die here";
        } else {
          EXPECT_EQ(status, QProcess::NormalExit) << fault;
          EXPECT_TRUE(code == 0 || code == 1) << fault << " ended with " << code;
        }
        if (verify(s, std::string(s.name) + " " + fault, !kills && code == 0, kills) != 0) ++lostRuns;
      }
      report += " " + std::string(k.kind) + " " + std::to_string(points.size()) + "/" + std::to_string(k.count) +
                " points, " + std::to_string(lostRuns) + " lost;";
    }
    std::printf("%s\n", report.c_str());
    RecordProperty(s.name, report);
  }

  bool gone(const std::map<int32_t, StoredEntry>& now, const std::set<int32_t>& ids) const {
    return std::none_of(ids.begin(), ids.end(), [&](int32_t id) { return now.count(id) != 0; });
  }

  CliSandbox sandbox;
  std::map<std::string, Bytes> sources;
  std::map<int32_t, StoredEntry> base;
  std::vector<int32_t> ids;
};

std::vector<std::string> WithIds(std::vector<std::string> args, const std::vector<int32_t>& ids) {
  for (int32_t id : ids) args.push_back(std::to_string(id));
  return args;
}

TEST_F(CrashSafety, ImportSurvivesEveryKillAndFailure) {
  tortureScenario({"import of 5 PDFs", {"cli", "import", "work.fln", "new"}, {},
                   [&](const auto& now) { return now.size() == base.size() + 5; },
                   [&](const auto& now) { return now.size() == base.size() || now.size() == base.size() + 5; },
                   true});
}

// The conversion writes a new file and renames it into place: whatever
// stops it, the name gives the old file byte for byte or the whole new one.
TEST_F(CrashSafety, UpgradeSurvivesEveryKillAndFailure) {
  const std::string work = sandbox.path("work.fln");
  const Bytes old = readAll(sandbox.path("base.fln"));
  tortureScenario({"upgrade", {"cli", "upgrade", "work.fln"}, {},
                   [&](const auto& now) { return now.size() == base.size() && LibraryIsWide(work); },
                   [&](const auto& now) {
                     return now.size() == base.size() && (LibraryIsWide(work) || readAll(work) == old);
                   }});
}

TEST_F(CrashSafety, DeleteOfOneEntrySurvivesEveryKillAndFailure) {
  // The first entry: the array shrinks from the front and every later record moves.
  const std::set<int32_t> asked = {ids.front()};
  tortureScenario({"delete of 1 entry", WithIds({"cli", "delete", "work.fln"}, {ids.front()}), asked,
                   [&](const auto& now) { return gone(now, asked); },
                   [&](const auto& now) { return gone(now, asked) || now.size() == base.size(); },
                   false, true});
}

TEST_F(CrashSafety, DeleteOf32EntriesSurvivesEveryKillAndFailure) {
  std::vector<int32_t> chosen;
  for (size_t i = 0; i < ids.size() && chosen.size() < 32; i += (i % 5 == 4 ? 2 : 1)) chosen.push_back(ids[i]);
  const std::set<int32_t> asked(chosen.begin(), chosen.end());
  ASSERT_EQ(asked.size(), 32u);
  tortureScenario({"delete of 32 entries", WithIds({"cli", "delete", "work.fln"}, chosen), asked,
                   [&](const auto& now) { return gone(now, asked); },
                   [&](const auto& now) { return gone(now, asked) || now.size() == base.size(); },
                   false, true});
}

TEST_F(CrashSafety, CategoryReassignmentSurvivesEveryKillAndFailure) {
  const auto renamed = [](const std::map<int32_t, StoredEntry>& now) {
    return std::count_if(now.begin(), now.end(), [](const auto& e) { return e.second.cat1 == "改名した分類"; });
  };
  tortureScenario({"category reassignment of every entry", {"recategorize", "work.fln", "改名した分類"}, {},
                   [&](const auto& now) { return renamed(now) == kEntries; },
                   [&](const auto& now) { return renamed(now) == 0 || renamed(now) == kEntries; }});
}

TEST_F(CrashSafety, SavingTheWindowStateSurvivesEveryKillAndFailure) {
  tortureScenario({"window state save", {"save-state", "work.fln"}, {},
                   [&](const auto& now) { return now.size() == base.size(); }, nullptr});
}

TEST_F(CrashSafety, MergeSurvivesEveryKillAndFailureAndNeverWritesTheOtherLibrary) {
  sandbox.mustRun({"new", "other.fln"});
  sandbox.mustRun({"import", "other.fln", "new"});
  const Bytes other = readAll(sandbox.path("other.fln"));
  // Each merged entry arrives whole, with its PDF (verify checks that); a
  // failure of one leaves the others merged.
  tortureScenario({"merge of a library of 5 entries", {"cli", "merge", "work.fln", "other.fln"}, {},
                   [&](const auto& now) { return now.size() == base.size() + 5; }, nullptr, true});
  EXPECT_EQ(readAll(sandbox.path("other.fln")), other);
}

TEST_F(CrashSafety, CompactingSurvivesEveryKillAndFailure) {
  // Dead space to give back: every fourth entry deleted from the base.
  std::vector<int32_t> deleted;
  for (size_t i = 0; i < ids.size(); i += 4) deleted.push_back(ids[i]);
  sandbox.mustRun(WithIds({"delete", "base.fln"}, deleted));
  for (int32_t id : deleted) base.erase(id);
  const size_t sizeBefore = readAll(sandbox.path("base.fln")).size();
  tortureScenario({"compacting", {"cli", "compact", "work.fln"}, {},
                   [&](const auto& now) {
                     return now.size() == base.size() && readAll(sandbox.path("work.fln")).size() < sizeBefore;
                   },
                   nullptr});
}

// Starts folian-cli as a login session of its own would: with its own
// runtime folder (a folder of the sandbox).
void StartInSession(const CliSandbox& sandbox, QProcess* process, const std::string& runtimeFolder,
                    const QStringList& args) {
  QProcessEnvironment env = sandbox.environment();
  env.insert("XDG_RUNTIME_DIR", QString::fromStdString(sandbox.path(runtimeFolder)));
  process->setProcessEnvironment(env);
  process->setWorkingDirectory(QString::fromStdString(sandbox.path("")));
  process->start(QStringLiteral(FOLIAN_CLI_PATH), args);
}

// Two writers reach one file by two names (a hard link) from two login
// environments (different runtime folders): the second is refused each time,
// a reader meanwhile never sees a change half made, and nothing is damaged.
TEST(WriterRace, ASecondWriterIsRefusedWhateverNameAndEnvironment) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  ASSERT_EQ(::link(sandbox.path("lib.fln").c_str(), sandbox.path("alias.fln").c_str()), 0);
  for (int i = 0; i < 50; ++i) sandbox.writePdf("a/" + std::to_string(i) + ".pdf", 8 * 1024, i);
  sandbox.writePdf("b/b.pdf", 2000, 999);
  sandbox.makeFolder("run-a");
  sandbox.makeFolder("run-b");

  constexpr int kTrials = 100;
  int refused = 0, overlapped = 0, trials = 0;
  size_t expectedEntries = 0;
  for (; overlapped < kTrials && trials < 2 * kTrials; ++trials) {
    SCOPED_TRACE(trials);
    QProcess a;
    StartInSession(sandbox, &a, "run-a", {"import", "lib.fln", "a"});
    ASSERT_TRUE(a.waitForStarted());
    // Wait until the first writer holds the library.
    bool held = false;
    LibraryLockHolder holder = LibraryLockHolder::Unknown;
    while (!held && !a.waitForFinished(0)) held = LibraryLock::heldByOthers(sandbox.path("lib.fln"), &holder);
    if (held) {
      EXPECT_EQ(holder, LibraryLockHolder::WritingCommand);
    }
    QProcess b;
    StartInSession(sandbox, &b, "run-b", {"import", "alias.fln", "b"});
    ASSERT_TRUE(b.waitForFinished(-1));
    const CliOutcome reader = sandbox.run({"check", "alias.fln"});
    if (a.state() != QProcess::NotRunning) {
      ASSERT_TRUE(a.waitForFinished(-1));
    }
    const bool aRunningWhenBCame = held;
    EXPECT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    expectedEntries += 50;
    if (b.exitCode() == 0) {
      expectedEntries += 1;  // the first writer was done before the second came
    } else {
      EXPECT_EQ(b.exitCode(), 1);
      EXPECT_EQ(b.readAllStandardError().toStdString(),
                "folian-cli: alias.fln: the library is being changed by another folian-cli command; try again "
                "when it is free\n");
      ++refused;
    }
    if (aRunningWhenBCame && b.exitCode() != 0) ++overlapped;
    // The reader waits for no one: refused, or it saw a whole library.
    EXPECT_TRUE((reader.exitCode == 1 && reader.err.find("being changed by another folian-cli command") !=
                                             std::string::npos) ||
                (reader.exitCode == 0 && reader.out.find("no damage found") != std::string::npos))
        << reader.out << reader.err;
  }
  EXPECT_GE(overlapped, kTrials);
  const CliOutcome check = sandbox.mustRun({"check", "lib.fln"});
  EXPECT_NE(check.out.find("no damage found"), std::string::npos) << check.out;
  EXPECT_EQ(TabRows(sandbox.mustRun({"list", "alias.fln"}).out).size(), expectedEntries);
  std::printf("writer race: %d trials, %d with the second writer refused while the first held the library\n", trials,
              refused);
}

// A compaction renames a new file over the library while other commands try
// to take it: each of them is refused, or works on the new file under its
// lock. An import that says it imported is never lost with the old file.
TEST(WriterRace, CommandsBesideACompactionNeverWriteIntoTheReplacedFile) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  for (int i = 0; i < 20; ++i) sandbox.writePdf("a/" + std::to_string(i) + ".pdf", 64 * 1024, i);
  sandbox.mustRun({"import", "lib.fln", "a"});
  constexpr int kTrials = 40;
  int imported = 0, refused = 0;
  for (int trial = 0; trial < kTrials; ++trial) {
    SCOPED_TRACE(trial);
    const std::string pdf = "b/" + std::to_string(trial) + ".pdf";
    sandbox.writePdf(pdf, 3000, 500 + trial);
    QProcess compact;
    sandbox.start(&compact, {"compact", "lib.fln"});
    ASSERT_TRUE(compact.waitForStarted());
    const CliOutcome import = sandbox.run({"import", "lib.fln", pdf});
    const CliOutcome reader = sandbox.run({"list", "lib.fln"});
    ASSERT_TRUE(compact.waitForFinished(-1));
    EXPECT_TRUE(compact.exitCode() == 0 ||
                compact.readAllStandardError().toStdString().find("being changed by another folian-cli command") !=
                    std::string::npos);
    if (import.exitCode == 0) {
      ++imported;
    } else {
      EXPECT_EQ(import.exitCode, 1);
      EXPECT_NE(import.err.find("being changed by another folian-cli command"), std::string::npos) << import.err;
      ++refused;
    }
    EXPECT_TRUE(reader.exitCode == 0 || reader.err.find("being changed") != std::string::npos) << reader.err;
    ASSERT_EQ(TabRows(sandbox.mustRun({"list", "lib.fln"}).out).size(), static_cast<size_t>(20 + imported));
  }
  const CliOutcome check = sandbox.mustRun({"check", "lib.fln"});
  EXPECT_NE(check.out.find("no damage found"), std::string::npos) << check.out;
  std::printf("compaction race: %d trials, %d imports beside it went in, %d were refused\n", kTrials, imported,
              refused);
}

}  // namespace

namespace {

// A writer that comes while a library is being converted is refused, or
// writes into the converted file; never into the old file the conversion
// replaced, whatever moment it comes at.
TEST(WriterRace, AWriterDuringAnUpgradeIsRefusedOrReachesTheConvertedFile) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  constexpr size_t kPdfs = 40;
  for (size_t i = 0; i < kPdfs; ++i) sandbox.writePdf("a/" + std::to_string(i) + ".pdf", 64 * 1024, static_cast<int>(i));
  sandbox.mustRun({"import", "lib.fln", "a"});
  sandbox.writePdf("b/b.pdf", 2000, 999);
  const std::string library = sandbox.path("lib.fln");
  const std::vector<uint8_t> narrow = readAll(library);

  int imported = 0, refused = 0;
  for (int trial = 0; trial < 30; ++trial) {
    SCOPED_TRACE(trial);
    std::remove(library.c_str());
    writeAll(library, narrow);
    QProcess a;
    sandbox.start(&a, {"upgrade", "lib.fln"});
    ASSERT_TRUE(a.waitForStarted());
    // The second writer comes once the first holds the library (or has finished).
    while (!LibraryLock::heldByOthers(library, nullptr) && !a.waitForFinished(0)) {
    }
    const CliOutcome b = sandbox.run({"import", "lib.fln", "b"});
    if (a.state() != QProcess::NotRunning) {
      ASSERT_TRUE(a.waitForFinished(-1));
    }
    EXPECT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    EXPECT_TRUE(LibraryIsWide(library));
    const size_t entries = TabRows(sandbox.mustRun({"list", "lib.fln"}).out).size();
    if (b.exitCode == 0) {
      ++imported;
      EXPECT_EQ(entries, kPdfs + 1) << "the import reached the file that the name gives";
    } else {
      ++refused;
      EXPECT_EQ(b.exitCode, 1);
      EXPECT_NE(b.err.find("being changed by another folian-cli command"), std::string::npos) << b.err;
      EXPECT_EQ(entries, kPdfs);
    }
    EXPECT_EQ(sandbox.run({"check", "lib.fln"}).exitCode, 0);
  }
  std::printf("upgrade race: %d imports refused while the library was converted, %d reached it\n", refused, imported);
}

}  // namespace
