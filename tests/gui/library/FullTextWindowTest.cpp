// Full-text search in the library window, offscreen: the scope switch of
// the search field, the list narrowed to the entries whose PDFs hold the
// query (best first, with their hits), sorting and commands on that list,
// opening a found PDF at its hits, and the index made in the background:
// progress, stopping, resuming (also after the window closed), and
// catching up with changes made while the library was closed.

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "IndexDamage.h"
#include "TestPdfFiles.h"
#include "WindowFixture.h"
#include "fulltext/FullTextIndex.h"
#include "fulltext/FullTextService.h"
#include "gui/library/EntryListModel.h"
#include "gui/library/ChildWindowRegistry.h"
#include "gui/library/TransferCommands.h"
#include "gui/viewer/ViewPDFDlg.h"
#include "library/FlnLoad.h"
#include "pdfview/PdfView.h"
#include "search/LibraryIdentity.h"
#include "format/FieldText.h"
#include "transfer/PdfDelete.h"
#include "transfer/PdfImport.h"

namespace apptest {
namespace {

// Indexing runs on other threads; on a busy machine it may take a while.
constexpr int kIndexingWaitMs = 60000;

struct Pdf {
  std::string name;     // file name, which becomes the entry's title
  QStringList pages;    // the text of each page
};

class FullTextWindow : public WindowFixture {
 protected:
  // Writes the PDFs into a new folder and imports it into the library
  // `name` (created when missing), as another program would: a few PDFs one
  // by one in their order, many as one folder.
  void importPdfs(const std::vector<Pdf>& pdfs, const QString& name = QStringLiteral("lib.fln")) {
    if (!QFile::exists(path(name))) WriteLibrary(path(name), LibraryContents());
    const QString folder = dir.filePath(QStringLiteral("in%1").arg(++_folders));
    QDir().mkpath(folder);
    const QByteArray libraryPath = path(name).toUtf8();
    FLN_DATA data;
    ASSERT_TRUE(ReadFlnDataFromFlnFile(libraryPath.constData(), &data).ok());
    const QByteArray folderPath = folder.toUtf8();
    const bool oneByOne = pdfs.size() < 10;
    for (const Pdf& pdf : pdfs) {
      const QString file = folder + QLatin1Char('/') + QString::fromStdString(pdf.name);
      QFile out(file);
      ASSERT_TRUE(out.open(QIODevice::WriteOnly));
      out.write(pdf.pages.isEmpty() ? QByteArray("%PDF-1.4\nno objects at all\n%%EOF\n") : MakeTextPdf(pdf.pages));
      out.close();
      if (!oneByOne) continue;
      const QByteArray pdfPath = file.toUtf8();
      const ImportResult result =
          ImportPDFFiles(&data, pdfPath.constData(), folderPath.constData(), "その他", "その他", "その他");
      EXPECT_EQ(result.imported, 1) << pdf.name;
    }
    if (!oneByOne) {
      const ImportResult result =
          ImportPDFFiles(&data, folderPath.constData(), dir.path().toUtf8().constData(), "その他", "その他", "その他");
      EXPECT_EQ(result.imported, static_cast<int>(pdfs.size()));
    }
    FreeFlnData(&data);
  }

  // Opens `name` and waits until its index is in step with it.
  FolianDocument* openIndexed(const QString& name = QStringLiteral("lib.fln")) {
    FolianDocument* document = reopen(name);
    if (document != nullptr) {
      EXPECT_TRUE(waitForIndex(document));
    }
    return document;
  }

  // Opens the library with the progress of its indexing watched from the
  // start: `total` gets the number of PDFs each run reads (-1 when none
  // runs), and `onProgress` (when given) sees every step.
  FolianDocument* openCounting(int* total, std::function<void(FolianDocument*, int, int)> onProgress = nullptr) {
    *total = -1;
    FolianDocument* document = controller->openDocumentWithContentsOfFile(path());
    if (document == nullptr) return nullptr;
    // Signals from the indexing thread arrive through the event loop, which
    // has not run since the window started indexing.
    QObject::connect(document->fullTextService(), &FullTextService::indexingProgress, document,
                     [document, total, onProgress](int done, int all) {
                       *total = all;
                       if (onProgress) onProgress(document, done, all);
                     });
    EXPECT_TRUE(QTest::qWaitForWindowExposed(document->mainWindow()));
    return document;
  }

  static bool waitForIndex(FolianDocument* document) {
    return WaitUntil([&] { return !document->fullTextService()->isIndexing(); }, kIndexingWaitMs);
  }

  // The entries the library's index holds, by en_id.
  std::map<int32_t, FullTextIndex::Document> indexed(FolianDocument* document) const {
    FullTextIndex index;
    QString notice, error;
    std::map<int32_t, FullTextIndex::Document> held;
    EXPECT_TRUE(index.open(FullTextIndexPath(document->flnData()), &notice, &error)) << error.toStdString();
    EXPECT_TRUE(index.documents(&held, &error)) << error.toStdString();
    return held;
  }

  static QAbstractButton* scopeButton(FolianDocument* document, const char* name) {
    return document->mainWindow()->findChild<QAbstractButton*>(QLatin1String(name));
  }

  // Puts the field in the full-text scope, types `query` and waits for the
  // list to show its answer.
  static void searchFullText(FolianDocument* document, const QString& query) {
    scopeButton(document, "fullTextScopeButton")->click();
    document->setProperty("lastAnswered", QVariant());
    document->searchField()->setText(query);
    WaitUntil([&] { return !document->fullTextService()->isIndexing(); }, kIndexingWaitMs);
    // The answer arrives as a signal; the query is answered when the list
    // shows the hits column with as many counts as rows.
    WaitUntil([&] {
      EntryListModel* model = document->entryListModel();
      return model->rowHits().size() == static_cast<size_t>(model->rowCount()) &&
             !document->entryListBox()->isColumnHidden(EntryListModel::hitsColumn()) && answered(document, query);
    });
  }

  // Whether the service has answered `query` since it was typed.
  static bool answered(FolianDocument* document, const QString& query) {
    return document->property("lastAnswered").toString() == query;
  }

  // Records, on `document`, each query the full-text search answers.
  static void recordAnswers(FolianDocument* document) {
    QObject::connect(document->fullTextService(), &FullTextService::searchFinished, document,
                     [document](const QString& query) { document->setProperty("lastAnswered", query); });
  }

  static QStringList hitsShown(FolianDocument* document) {
    QStringList hits;
    EntryListModel* model = document->entryListModel();
    for (int row = 0; row < model->rowCount(); ++row)
      hits << model->index(row, EntryListModel::hitsColumn()).data().toString();
    return hits;
  }

  int _folders = 0;
};

// With FOLIAN_SCREENSHOT_DIR set, saves the library window there as NAME.png
// for a person to look at.
void KeepScreenshot(FolianDocument* document, const char* name) {
  if (qEnvironmentVariableIsEmpty("FOLIAN_SCREENSHOT_DIR")) return;
  document->mainWindow()->grab().save(qEnvironmentVariable("FOLIAN_SCREENSHOT_DIR") + QLatin1Char('/') +
                                      QLatin1String(name) + QStringLiteral(".png"));
}

// Titles are the file names; "deep-notes.pdf" says "deep" in its name only.
std::vector<Pdf> Shelf() {
  return {
      {"alpha.pdf", {"Neural networks", "deep models, deep learning and DEEP nets"}},
      {"beta.pdf", {"Deep sea fishing"}},
      {"deep-notes.pdf", {"nothing relevant here"}},
      {"gamma.pdf", {"統計学入門", "機械学習と深層学習"}},
  };
}

// Enough text that a batch of PDFs takes a moment to read.
QStringList ThreePages(int number) {
  QStringList pages;
  for (int page = 1; page <= 3; ++page)
    pages << QStringLiteral("document %1, page %2: common words\nand a second line of text").arg(number).arg(page);
  return pages;
}

TEST_F(FullTextWindow, TheScopeSwitchNarrowsToThePdfsThatHoldTheQueryBestFirst) {
  importPdfs(Shelf());
  FolianDocument* document = openIndexed();
  ASSERT_NE(document, nullptr);
  recordAnswers(document);
  const QStringList all = {"alpha.pdf", "beta.pdf", "deep-notes.pdf", "gamma.pdf"};
  ASSERT_EQ(EntryColumn(document, "title"), all);

  // The entries' own fields: "deep" is in one file name.
  document->searchField()->setText(QStringLiteral("deep"));
  EXPECT_EQ(EntryColumn(document, "title"), QStringList{"deep-notes.pdf"});
  EXPECT_TRUE(document->entryListBox()->isColumnHidden(EntryListModel::hitsColumn()));

  struct Case {
    const char* query;
    QStringList titles;
    QStringList hits;
  } cases[] = {
      {"deep", {"alpha.pdf", "beta.pdf"}, {"3", "1"}},       // case folded; most hits first
      {"deep learning", {"alpha.pdf"}, {"4"}},                // both words on one page
      {"\"deep sea\"", {"beta.pdf"}, {"1"}},                  // a phrase
      {"学習", {"gamma.pdf"}, {"2"}},                         // Japanese, two characters
      {"relevant", {"deep-notes.pdf"}, {"1"}},
      {"networks fishing", {}, {}},                           // never across two PDFs
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    searchFullText(document, QString::fromUtf8(c.query));
    EXPECT_EQ(document->searchScope(), FolianDocument::SearchScope::FullText);
    EXPECT_TRUE(document->showsFullTextResults());
    EXPECT_EQ(EntryColumn(document, "title"), c.titles);
    EXPECT_EQ(hitsShown(document), c.hits);
    EXPECT_EQ(document->entryCountLabel()->text(), QStringLiteral("%1件").arg(c.titles.size()));
    EXPECT_FALSE(document->entryListBox()->isColumnHidden(EntryListModel::hitsColumn()));
    // The hits stand first, whatever their place in the model.
    EXPECT_EQ(document->entryListBox()->horizontalHeader()->visualIndex(EntryListModel::hitsColumn()), 0);
  }

  if (!qEnvironmentVariableIsEmpty("FOLIAN_SCREENSHOT_DIR")) {
    searchFullText(document, QStringLiteral("deep"));
    KeepScreenshot(document, "full-text-results");
  }

  // Back to the entries' fields: the same text filters them again.
  document->searchField()->setText(QStringLiteral("deep"));
  scopeButton(document, "entriesScopeButton")->click();
  EXPECT_EQ(document->searchScope(), FolianDocument::SearchScope::Entries);
  EXPECT_EQ(EntryColumn(document, "title"), QStringList{"deep-notes.pdf"});
  EXPECT_TRUE(document->entryListBox()->isColumnHidden(EntryListModel::hitsColumn()));
  // Emptied, in either scope, the whole list is back.
  document->searchField()->clear();
  EXPECT_EQ(EntryColumn(document, "title"), all);
  searchFullText(document, QStringLiteral("deep"));
  document->searchField()->clear();
  EXPECT_EQ(EntryColumn(document, "title"), all);
  EXPECT_FALSE(document->showsFullTextResults());
  EXPECT_TRUE(document->entryListBox()->isColumnHidden(EntryListModel::hitsColumn()));
  EXPECT_EQ(document->entryCountLabel()->text(), QStringLiteral("4件"));
}

TEST_F(FullTextWindow, SortingAndCommandsWorkOnTheFoundEntries) {
  importPdfs(Shelf());
  FolianDocument* document = openIndexed();
  ASSERT_NE(document, nullptr);
  recordAnswers(document);
  searchFullText(document, QStringLiteral("deep"));
  ASSERT_EQ(EntryColumn(document, "title"), (QStringList{"alpha.pdf", "beta.pdf"}));

  // A header sorts the found entries by its column; the hits column brings
  // the best first back.
  QHeaderView* header = document->entryListBox()->horizontalHeader();
  const int titleColumn = EntryListModel::columnOf("title");
  header->setSortIndicator(titleColumn, Qt::DescendingOrder);
  EXPECT_EQ(EntryColumn(document, "title"), (QStringList{"beta.pdf", "alpha.pdf"}));
  EXPECT_EQ(hitsShown(document), (QStringList{"1", "3"}));
  header->setSortIndicator(EntryListModel::hitsColumn(), Qt::AscendingOrder);
  EXPECT_EQ(EntryColumn(document, "title"), (QStringList{"alpha.pdf", "beta.pdf"}));
  EXPECT_EQ(header->sortIndicatorSection(), EntryListModel::hitsColumn());
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

  // Deleting the second found entry deletes beta, not the library's second
  // entry; the list stays narrowed and the index forgets it.
  ClickRow(document->entryListBox(), 1);
  {
    ScriptedAlerts alerts;
    alerts.answers = {true};
    document->transfer()->deletePdfs();
  }
  EXPECT_EQ(EntryColumn(document, "title"), QStringList{"alpha.pdf"});
  EXPECT_TRUE(document->showsFullTextResults());
  ASSERT_TRUE(waitForIndex(document));
  EXPECT_EQ(indexed(document).size(), 3u);
  FLN_DATA data;
  ASSERT_TRUE(ReadFlnDataFromFlnFile(path().toUtf8().constData(), &data).ok());
  QStringList stored;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(data.entry); ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(data.entry, i, &entry);
    stored << FLN_COMM_CreateNSString_FromUniChar_LtoN(entry.en_title, sizeof entry.en_title);
  }
  FreeFlnData(&data);
  stored.sort();
  EXPECT_EQ(stored, (QStringList{"alpha.pdf", "deep-notes.pdf", "gamma.pdf"}));
}

TEST_F(FullTextWindow, OpeningAFoundEntryShowsItsFirstHitInTheViewer) {
  importPdfs({{"late.pdf", {"an opening page", "still nothing", "the Needle is here", "another needle"}}});
  FolianDocument* document = openIndexed();
  ASSERT_NE(document, nullptr);
  recordAnswers(document);
  searchFullText(document, QStringLiteral("needle"));
  ASSERT_EQ(hitsShown(document), QStringList{"2"});
  ClickRow(document->entryListBox(), 0);
  document->openPDF();
  FLN_ENTRY entry;
  ASSERT_EQ(GetFLNEntry_ByFLNData(document->flnData(), 0, &entry), 1);
  ViewPDFDlg* viewer = document->childWindows()->viewer(entry);
  ASSERT_NE(viewer, nullptr);
  auto* find = viewer->window()->findChild<QLineEdit*>(QStringLiteral("textBoxSearch"));
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(find->text(), QStringLiteral("needle"));
  // The viewer searches on a thread of its own.
  ASSERT_TRUE(WaitUntil([&] { return !viewer->pdfView()->searching(); }));
  EXPECT_EQ(viewer->pdfView()->currentPage(), 2);  // the third page, counted from 0
  EXPECT_EQ(viewer->pdfView()->currentSelection().page, 2);
  // The viewer's find goes on to the next hit.
  viewer->nextSearch();
  ASSERT_TRUE(WaitUntil([&] { return !viewer->pdfView()->searching(); }));
  EXPECT_EQ(viewer->pdfView()->currentSelection().page, 3);
}

TEST_F(FullTextWindow, IndexingShowsProgressStopsAndResumes) {
  std::vector<Pdf> many;
  for (int i = 0; i < 120; ++i)
    many.push_back({"doc" + std::to_string(1000 + i) + ".pdf", ThreePages(i)});
  importPdfs(many);
  // Stopped as soon as the first PDFs are in: what was done stays.
  bool stopped = false;
  const auto stopAtFirstStep = [&stopped](FolianDocument* document, int done, int total) {
    if (stopped || done == 0) return;
    auto* label = document->mainWindow()->findChild<QLabel*>(QStringLiteral("indexingLabel"));
    auto* bar = document->mainWindow()->findChild<QProgressBar*>(QStringLiteral("indexingBar"));
    auto* button = document->mainWindow()->findChild<QToolButton*>(QStringLiteral("indexingButton"));
    ASSERT_TRUE(label && bar && button);
    EXPECT_EQ(total, 120);
    EXPECT_TRUE(label->isVisible() && bar->isVisible() && button->isVisible());
    EXPECT_EQ(label->text(), QStringLiteral("本文の索引 %1/120").arg(done));
    EXPECT_EQ(button->text(), QStringLiteral("中止"));
    KeepScreenshot(document, "indexing-progress");
    stopped = true;
    button->click();
  };
  int firstTotal = -1;
  FolianDocument* document = openCounting(&firstTotal, stopAtFirstStep);
  ASSERT_NE(document, nullptr);
  auto* label = document->mainWindow()->findChild<QLabel*>(QStringLiteral("indexingLabel"));
  auto* bar = document->mainWindow()->findChild<QProgressBar*>(QStringLiteral("indexingBar"));
  auto* button = document->mainWindow()->findChild<QToolButton*>(QStringLiteral("indexingButton"));
  ASSERT_TRUE(label && bar && button);

  ASSERT_TRUE(waitForIndex(document));
  ASSERT_TRUE(stopped);
  EXPECT_EQ(firstTotal, 120);
  const size_t afterStop = indexed(document).size();
  EXPECT_GT(afterStop, 0u);
  EXPECT_LT(afterStop, 120u);
  EXPECT_TRUE(label->text().startsWith(QStringLiteral("本文の索引を中断しました"))) << label->text().toStdString();
  EXPECT_EQ(button->text(), QStringLiteral("再開"));
  EXPECT_FALSE(bar->isVisible());
  KeepScreenshot(document, "indexing-stopped");

  // Resumed: only the rest is done.
  int resumedTotal = -1;
  firstTotal = -1;
  button->click();
  ASSERT_TRUE(WaitUntil([&] { return (resumedTotal = firstTotal) >= 0; }, kIndexingWaitMs));
  ASSERT_TRUE(waitForIndex(document));
  EXPECT_EQ(resumedTotal, static_cast<int>(120 - afterStop));
  EXPECT_EQ(indexed(document).size(), 120u);
  EXPECT_FALSE(label->isVisible() || bar->isVisible() || button->isVisible());
}

TEST_F(FullTextWindow, ClosingMidwayResumesAtTheNextOpening) {
  std::vector<Pdf> many;
  for (int i = 0; i < 120; ++i) many.push_back({"doc" + std::to_string(1000 + i) + ".pdf", ThreePages(i)});
  importPdfs(many);
  // Closed as soon as the first PDFs are in (once the signal has returned).
  bool closed = false;
  const auto closeAtFirstStep = [this, &closed](FolianDocument* document, int done, int) {
    if (closed || done == 0) return;
    closed = true;
    QTimer::singleShot(0, document, [this, document] { closeDocument(document); });
  };
  int total = -1;
  FolianDocument* document = openCounting(&total, closeAtFirstStep);
  ASSERT_NE(document, nullptr);
  const QString indexPath = FullTextIndexPath(document->flnData());
  ASSERT_TRUE(WaitUntil([this] { return controller->documents().empty(); }, kIndexingWaitMs));
  EXPECT_EQ(total, 120);

  FullTextIndex index;
  QString notice, error;
  std::map<int32_t, FullTextIndex::Document> held;
  ASSERT_TRUE(index.open(indexPath, &notice, &error));
  ASSERT_TRUE(index.documents(&held, &error));
  index.close();
  EXPECT_GT(held.size(), 0u);
  EXPECT_LT(held.size(), 120u);

  document = openCounting(&total);
  ASSERT_NE(document, nullptr);
  ASSERT_TRUE(waitForIndex(document));
  EXPECT_EQ(total, static_cast<int>(120 - held.size()));
  EXPECT_EQ(indexed(document).size(), 120u);
}

TEST_F(FullTextWindow, TheIndexCatchesUpWithChangesMadeWhileTheLibraryWasClosed) {
  importPdfs({{"first.pdf", {"apple orchard"}}, {"broken.pdf", {}}, {"second.pdf", {"banana plantation"}}});
  FolianDocument* document = openIndexed();
  ASSERT_NE(document, nullptr);
  std::map<int32_t, FullTextIndex::Document> held = indexed(document);
  ASSERT_EQ(held.size(), 3u);
  int unreadable = 0;
  for (const auto& [id, held] : held) unreadable += held.state == FullTextIndex::State::Unreadable;
  EXPECT_EQ(unreadable, 1) << "the PDF without text is recorded as such";
  closeDocument(document);

  // Another program deletes "first" and imports "third".
  {
    FLN_DATA data;
    ASSERT_TRUE(ReadFlnDataFromFlnFile(path().toUtf8().constData(), &data).ok());
    data.shownRows = {0};
    ASSERT_TRUE(DeletePDFEntries(&data, {0}, EntryWindowCloser()).save.ok());
    FreeFlnData(&data);
  }
  importPdfs({{"third.pdf", {"cherry blossom apple"}}});

  int total = -1;
  document = openCounting(&total);
  ASSERT_NE(document, nullptr);
  recordAnswers(document);
  ASSERT_TRUE(waitForIndex(document));
  EXPECT_EQ(total, 1) << "only the new PDF is read; the one without text is not tried again";
  searchFullText(document, QStringLiteral("apple"));
  EXPECT_EQ(EntryColumn(document, "title"), QStringList{"third.pdf"});

  // An import in the window is indexed too.
  QDir().mkpath(dir.filePath(QStringLiteral("more")));
  QFile more(dir.filePath(QStringLiteral("more/fourth.pdf")));
  ASSERT_TRUE(more.open(QIODevice::WriteOnly));
  more.write(MakeTextPdf({QStringLiteral("apple pie, apple tart")}));
  more.close();
  ScriptedAlerts alerts;
  document->transfer()->importPdfFolder();
  QFileDialog* panel = document->transfer()->currentPanel();
  ASSERT_NE(panel, nullptr);
  panel->setDirectory(dir.path());
  panel->selectFile(dir.filePath(QStringLiteral("more")));
  static_cast<QDialog*>(panel)->accept();
  ASSERT_TRUE(waitForIndex(document));
  ASSERT_TRUE(WaitUntil([&] { return EntryColumn(document, "title").size() == 2; }, kIndexingWaitMs));
  EXPECT_EQ(EntryColumn(document, "title"), (QStringList{"fourth.pdf", "third.pdf"}));
  EXPECT_EQ(hitsShown(document), (QStringList{"2", "1"}));
}

TEST_F(FullTextWindow, ADamagedIndexIsMadeAgainAndAnUnusableCacheIsToldWithoutHarm) {
  importPdfs({{"kept.pdf", {"a sentence to find"}}});
  const QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
  FLN_DATA data;
  ASSERT_TRUE(ReadFlnDataFromFlnFile(path().toUtf8().constData(), &data).ok());
  const QString indexPath = FullTextIndexPath(&data);
  FreeFlnData(&data);

  // Bytes that are no index where the index belongs: it is made again.
  QDir().mkpath(QFileInfo(indexPath).absolutePath());
  QFile damaged(indexPath);
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write(QByteArray(8192, 'x'));
  damaged.close();
  FolianDocument* document = openIndexed();
  ASSERT_NE(document, nullptr);
  recordAnswers(document);
  searchFullText(document, QStringLiteral("sentence"));
  EXPECT_EQ(EntryColumn(document, "title"), QStringList{"kept.pdf"});
  auto* label = document->mainWindow()->findChild<QLabel*>(QStringLiteral("indexingLabel"));
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(label->toolTip().contains(QStringLiteral("damaged"))) << label->toolTip().toStdString();
  closeDocument(document);

  // Damage deeper in, which opening the index does not look at: the first
  // query meets it, the index is made again from the library (the user told
  // once), and the query, asked again when that is done, finds as before.
  DamageIndexTable(indexPath, "pages_content");
  document = openIndexed();
  ASSERT_NE(document, nullptr);
  label = document->mainWindow()->findChild<QLabel*>(QStringLiteral("indexingLabel"));
  EXPECT_TRUE(label->toolTip().isEmpty()) << "opening saw the damage: " << label->toolTip().toStdString();
  int remade = 0;
  QObject::connect(document->fullTextService(), &FullTextService::noticed, document, [&remade] { ++remade; });
  scopeButton(document, "fullTextScopeButton")->click();
  document->searchField()->setText(QStringLiteral("sentence"));
  EXPECT_TRUE(WaitUntil(
      [&] {
        return remade > 0 && !document->fullTextService()->isIndexing() &&
               EntryColumn(document, "title") == QStringList{"kept.pdf"};
      },
      kIndexingWaitMs))
      << EntryColumn(document, "title").join(QLatin1Char('|')).toStdString();
  EXPECT_EQ(remade, 1);
  EXPECT_TRUE(label->toolTip().contains(QStringLiteral("damaged"))) << label->toolTip().toStdString();
  closeDocument(document);

  // A cache folder that cannot be made (a file stands in its place): the
  // window says so after the field and works on, and the library is intact.
  const QString blocked = dir.filePath(QStringLiteral("blocked-cache"));
  QFile file(blocked);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  qputenv("XDG_CACHE_HOME", blocked.toUtf8());
  document = reopen();
  qputenv("XDG_CACHE_HOME", cache.toUtf8());
  ASSERT_NE(document, nullptr);
  ASSERT_TRUE(waitForIndex(document));
  label = document->mainWindow()->findChild<QLabel*>(QStringLiteral("indexingLabel"));
  auto* button = document->mainWindow()->findChild<QToolButton*>(QStringLiteral("indexingButton"));
  EXPECT_TRUE(label->isVisible());
  EXPECT_EQ(label->text(), QStringLiteral("本文の索引を作れません"));
  EXPECT_FALSE(label->toolTip().isEmpty());
  EXPECT_EQ(button->text(), QStringLiteral("再開"));
  // Without an index nothing is found, and the window still says why.
  recordAnswers(document);
  scopeButton(document, "fullTextScopeButton")->click();
  document->searchField()->setText(QStringLiteral("sentence"));
  EXPECT_TRUE(WaitUntil([&] { return answered(document, QStringLiteral("sentence")); }));
  EXPECT_EQ(document->entryListModel()->rowCount(), 0);
  EXPECT_EQ(label->text(), QStringLiteral("本文の索引を作れません"));
  document->searchField()->clear();
  EXPECT_EQ(EntryColumn(document, "title"), QStringList{"kept.pdf"});
}

}  // namespace
}  // namespace apptest
