// Keeping a library's full-text index in step: which PDFs are read again
// (not those a compaction only moved in the file), and an index found
// damaged in use made again from the library, by the indexing of a window
// (FullTextService) as by a query, without touching the library.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "IndexDamage.h"
#include "LibraryFixtures.h"
#include "TestFiles.h"
#include "TextPdf.h"
#include "format/Endian.h"
#include "fulltext/FullTextService.h"
#include "fulltext/FullTextSync.h"
#include "library/FlnCompact.h"
#include "library/FlnLoad.h"
#include "search/LibraryIdentity.h"
#include "transfer/PdfDelete.h"
#include "transfer/PdfImport.h"

namespace {

using testsupport::Library;

FullTextEntry Entry(int32_t enId, int32_t dataIndex, int32_t atId, const char* attached, uint32_t size) {
  FullTextEntry entry;
  entry.enId = enId;
  entry.dataIndex = dataIndex;
  entry.atId = atId;
  std::strncpy(entry.attached.data(), attached, entry.attached.size());
  entry.fileSize = size;
  return entry;
}

TEST(FullTextPlan, APdfIsReadAgainWhenAnotherTookItsPlaceNotWhenItMoved) {
  const FullTextEntry held = Entry(5, 3, 40, "20261201100000000", 1234);
  struct Case {
    const char* what;
    std::vector<FullTextEntry> now;
    std::vector<int32_t> gone;
    std::vector<int32_t> pending;
  } cases[] = {
      {"as it was", {held}, {}, {}},
      {"moved in the file (compacted)", {Entry(5, 0, 40, "20261201100000000", 1234)}, {}, {}},
      {"another attachment record", {Entry(5, 3, 41, "20261201100000000", 1234)}, {5}, {5}},
      {"a record made at another time", {Entry(5, 3, 40, "20261202090000000", 1234)}, {5}, {5}},
      {"another size", {Entry(5, 3, 40, "20261201100000000", 999)}, {5}, {5}},
      {"its PDF gone", {Entry(5, -1, -1, "", 1234)}, {5}, {5}},
      {"deleted, another added", {Entry(6, 3, 41, "20261201100000000", 1234)}, {5}, {6}},
  };
  const std::map<int32_t, FullTextIndex::Document> index = {{5, {PdfFingerprint(held), FullTextIndex::State::Text}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const FullTextWork work = PlanFullTextWork(c.now, index);
    std::vector<int32_t> pending;
    for (const FullTextWork::Pending& p : work.pending) pending.push_back(p.enId);
    EXPECT_EQ(work.gone, c.gone);
    EXPECT_EQ(pending, c.pending);
  }
}

// A library of PDFs with one page of text each, imported as the user would.
class FullTextSyncTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(box.path("cache")));
    testsupport::CreateAndLoad(libraryPath, &library);
  }

  void import(const std::vector<std::pair<std::string, std::string>>& pdfs) {
    const std::string folder = box.path("in" + std::to_string(++folders));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    for (const auto& [name, text] : pdfs) {
      const std::string pdf = testsupport::TextPdf({text});
      writeAll(folder + "/" + name, std::vector<uint8_t>(pdf.begin(), pdf.end()));
    }
    ASSERT_EQ(ImportPDFFiles(&library.data, folder.c_str(), nullptr, "", "", "").imported,
              static_cast<int32_t>(pdfs.size()));
  }

  // Brings `index` in step with the library as loaded; the number of PDFs read.
  int sync(FullTextIndex* index, QString* notice = nullptr) {
    int read = 0;
    QString unused, error;
    EXPECT_TRUE(SyncFullTextIndex(
        index, libraryPath, [this](const auto& held) { return PlanFullTextWork(&library.data, held); },
        [&read](const FullTextProgress& step) { read = step.done; }, nullptr, notice ? notice : &unused, &error))
        << error.toStdString();
    return read;
  }

  std::vector<int32_t> found(const FullTextIndex& index, const QString& query) {
    std::vector<FullTextIndex::EntryHits> results;
    QString error;
    EXPECT_TRUE(index.search(query, &results, &error)) << error.toStdString();
    std::vector<int32_t> ids;
    for (const auto& hit : results) ids.push_back(hit.enId);
    std::sort(ids.begin(), ids.end());
    return ids;
  }

  TempDir box;
  const std::string libraryPath = box.path("lib.fln");
  Library library;
  int folders = 0;
};

TEST_F(FullTextSyncTest, ACompactionMovesThePdfsWithoutTheirBeingReadAgain) {
  import({{"a.pdf", "apple orchard"}, {"b.pdf", "banana plantation"}, {"c.pdf", "cherry orchard"}});
  FullTextIndex index;
  QString notice, error;
  ASSERT_TRUE(index.open(FullTextIndexPath(&library.data), &notice, &error)) << error.toStdString();
  EXPECT_EQ(sync(&index), 3);

  // The first PDF deleted, the library compacted: the others move up.
  const std::vector<FullTextEntry> before = FullTextEntries(&library.data);
  FLN_ENTRY first;
  Tesk_Ary_GetData(library.data.entry, 0, &first);
  library.data.shownRows = {0};
  const DeleteResult deleted = DeletePDFEntries(&library.data, {0}, EntryWindowCloser());
  ASSERT_TRUE(deleted.save.ok());
  ASSERT_EQ(deleted.deleted, 1);
  {
    LibraryLock lock;
    ASSERT_EQ(lock.acquire(libraryPath, LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand),
              LibraryLockStatus::Held);
    const FlnResult compacted = CompactLibraryFile(libraryPath, &lock, LibraryLockHolder::WritingCommand, nullptr);
    ASSERT_TRUE(compacted.ok()) << compacted.reason;
  }
  FreeFlnData(&library.data);
  testsupport::Load(libraryPath, &library);
  const std::vector<FullTextEntry> after = FullTextEntries(&library.data);
  ASSERT_EQ(after.size(), 2u);
  int moved = 0;
  for (const FullTextEntry& now : after)
    for (const FullTextEntry& then : before) moved += now.enId == then.enId && now.dataIndex != then.dataIndex;
  EXPECT_GT(moved, 0) << "the compaction moved no PDF: the test shows nothing";

  EXPECT_EQ(sync(&index), 0) << "no PDF is read again";
  std::map<int32_t, FullTextIndex::Document> held;
  ASSERT_TRUE(index.documents(&held, &error));
  EXPECT_EQ(held.size(), 2u);
  EXPECT_EQ(held.count(ZEL_EndianLong_LtoN(first.en_id)), 0u);
  EXPECT_EQ(found(index, QStringLiteral("orchard")).size(), 1u);
  EXPECT_EQ(found(index, QStringLiteral("banana")).size(), 1u);

  // A PDF added afterwards is read, alone.
  import({{"d.pdf", "date palm orchard"}});
  EXPECT_EQ(sync(&index), 1);
  EXPECT_EQ(found(index, QStringLiteral("orchard")).size(), 2u);
}

TEST_F(FullTextSyncTest, AnIndexFoundDamagedWhileKeptInStepIsMadeAgainOnce) {
  import({{"a.pdf", "apple orchard"}, {"b.pdf", "banana plantation"}});
  const QString path = FullTextIndexPath(&library.data);
  {
    FullTextIndex index;
    QString notice, error;
    ASSERT_TRUE(index.open(path, &notice, &error)) << error.toStdString();
    EXPECT_EQ(sync(&index), 2);
  }
  DamageIndexTable(path, "documents");
  FullTextIndex index;
  QString notice, error;
  ASSERT_TRUE(index.open(path, &notice, &error)) << error.toStdString();
  EXPECT_TRUE(notice.isEmpty());
  EXPECT_EQ(sync(&index, &notice), 2) << "every PDF is read again";
  EXPECT_TRUE(notice.contains(QStringLiteral("damaged"))) << notice.toStdString();
  EXPECT_EQ(found(index, QStringLiteral("orchard")).size(), 1u);
  EXPECT_EQ(sync(&index, &notice), 0);
  EXPECT_TRUE(notice.isEmpty());
}

// Runs the event loop until `condition` holds (false after 60 s).
bool WaitFor(const std::function<bool()>& condition) {
  const QDeadlineTimer deadline(60000);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

QCoreApplication* Application() {
  static int argc = 1;
  static char name[] = "folian_fulltext_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return &app;
}

// What a window sees: damage that opening the index does not see is found
// by indexing or by a query; the index is made again from the library, the
// user told once, and the query asked again finds what it found before.
TEST_F(FullTextSyncTest, AWindowsIndexFoundDamagedByIndexingOrAQueryIsMadeAgainOnce) {
  Application();
  import({{"a.pdf", "apple orchard"}, {"b.pdf", "banana plantation"}, {"c.pdf", "cherry orchard"}});
  const QString path = FullTextIndexPath(&library.data);
  struct Case {
    const char* table;   // whose first page is damaged
    bool foundByQuery;   // else indexing meets it
  } cases[] = {
      {"documents", false},
      {"pages_data", true},
      {"pages_content", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    QFile::remove(path);
    {
      FullTextIndex index;
      QString notice, error;
      ASSERT_TRUE(index.open(path, &notice, &error)) << error.toStdString();
      ASSERT_EQ(sync(&index), 3);
    }
    DamageIndexTable(path, c.table);
    const std::vector<uint8_t> libraryBytes = readAll(libraryPath);

    FullTextService service(path, QString::fromStdString(libraryPath));
    QStringList notices;
    int runs = 0, read = 0;
    bool complete = false;
    std::vector<std::vector<int32_t>> answers;
    QObject::connect(&service, &FullTextService::noticed, [&](const QString& notice) { notices << notice; });
    QObject::connect(&service, &FullTextService::indexingProgress, [&](int done, int) { read = done; });
    QObject::connect(&service, &FullTextService::indexingFinished, [&](bool done, const QString& error) {
      ++runs;
      complete = done;
      EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    });
    QObject::connect(&service, &FullTextService::searchFinished,
                     [&](const QString&, const std::vector<FullTextIndex::EntryHits>& results, const QString& error) {
                       EXPECT_TRUE(error.isEmpty()) << error.toStdString();
                       std::vector<int32_t> ids;
                       for (const auto& hit : results) ids.push_back(hit.enId);
                       answers.push_back(ids);
                     });
    service.update(FullTextEntries(&library.data));
    ASSERT_TRUE(WaitFor([&] { return runs == 1; }));
    EXPECT_TRUE(complete);
    EXPECT_EQ(read, c.foundByQuery ? 0 : 3);
    EXPECT_EQ(notices.size(), c.foundByQuery ? 0 : 1);

    service.search(QStringLiteral("orchard"));
    ASSERT_TRUE(WaitFor([&] { return answers.size() == 1 && !service.isIndexing(); }));
    // Found damaged by the query, the index was made and filled again.
    EXPECT_EQ(runs, c.foundByQuery ? 2 : 1);
    EXPECT_TRUE(complete);
    EXPECT_EQ(read, 3);
    ASSERT_EQ(notices.size(), 1) << notices.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(notices[0].contains(QStringLiteral("damaged")));
    EXPECT_EQ(answers[0].size(), c.foundByQuery ? 0u : 2u);

    // The query asked again (as the window does when indexing ends).
    service.search(QStringLiteral("orchard"));
    ASSERT_TRUE(WaitFor([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers[1].size(), 2u);
    EXPECT_EQ(notices.size(), 1);
    EXPECT_EQ(readAll(libraryPath), libraryBytes) << "the library is not touched";
  }
}

}  // namespace

namespace {

// Indexing while the window's thread is busy: the steps made meanwhile join
// the one signal waiting to be delivered, which then tells the latest
// figures; one signal per PDF would keep a large library's window busy.
TEST_F(FullTextSyncTest, ProgressMadeWhileTheWindowIsBusyArrivesAsOneSignal) {
  Application();
  std::vector<std::pair<std::string, std::string>> pdfs;
  for (int i = 0; i < 40; ++i) pdfs.push_back({"p" + std::to_string(i) + ".pdf", "page " + std::to_string(i)});
  import(pdfs);
  FullTextService service(FullTextIndexPath(&library.data), QString::fromStdString(libraryPath));
  std::vector<std::pair<int, int>> steps;
  int runs = 0;
  QObject::connect(&service, &FullTextService::indexingProgress,
                   [&](int done, int total) { steps.emplace_back(done, total); });
  QObject::connect(&service, &FullTextService::indexingFinished, [&](bool, const QString&) { ++runs; });
  service.update(FullTextEntries(&library.data));

  // No event is handled on this thread until every PDF is in the index.
  const QDeadlineTimer deadline(60000);
  for (;;) {
    FullTextIndex index;
    std::map<int32_t, FullTextIndex::Document> held;
    QString error;
    if (index.openForSearching(FullTextIndexPath(&library.data), &error) && index.documents(&held, &error) &&
        held.size() == pdfs.size())
      break;
    ASSERT_FALSE(deadline.hasExpired()) << error.toStdString();
    QThread::msleep(20);
  }
  ASSERT_TRUE(WaitFor([&] { return runs == 1; }));
  // The steps of the last batch may still have been under way when this
  // thread took its events: a second signal at most.
  ASSERT_GE(steps.size(), 1u);
  EXPECT_LE(steps.size(), 2u);
  EXPECT_EQ(steps.back(), std::make_pair(40, 40));
  EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
}

}  // namespace
