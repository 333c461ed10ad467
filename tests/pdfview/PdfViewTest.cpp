// The PDF view and its parts: page layout of the four display modes, the
// tile cache, the render worker, text search, and the view itself driven
// offscreen (navigation, history, scale, display modes, the hand and text
// tools, memory while scrolling a long document).

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <cmath>
#include <memory>
#include <optional>
#include <chrono>
#include <thread>

#include "PdfViewTestSupport.h"
#include "TestPdfFiles.h"
#include "pdfview/PdfView.h"
#include "pdfview/PdfPageCache.h"
#include "pdfview/PdfPageLayout.h"
#include "pdfview/PdfRenderWorker.h"
#include "pdfview/PdfPageText.h"
#include "pdfview/PdfTextWorker.h"

namespace {

using pdfviewtest::Load;
using pdfviewtest::WaitUntil;

// --- Layout

const QVector<QSizeF> kFivePages(5, QSizeF(100, 200));

TEST(PdfPageLayoutTest, PagesOfEachDisplayMode) {
  const struct {
    int mode;
    int currentPage;
    QSize content;
    QVector<QRect> pages;  // empty: not laid out
  } cases[] = {
      {kDisplaySinglePageContinuous, 0, {500, 1048},
       {{200, 8, 100, 200}, {200, 216, 100, 200}, {200, 424, 100, 200}, {200, 632, 100, 200}, {200, 840, 100, 200}}},
      {kDisplaySinglePage, 2, {500, 216}, {{}, {}, {200, 8, 100, 200}, {}, {}}},
      {kDisplayTwoUp, 3, {500, 216}, {{}, {}, {146, 8, 100, 200}, {254, 8, 100, 200}, {}}},
      {kDisplayTwoUpContinuous, 0, {500, 632},
       {{146, 8, 100, 200}, {254, 8, 100, 200}, {146, 216, 100, 200}, {254, 216, 100, 200}, {200, 424, 100, 200}}},
  };
  for (const auto& c : cases) {
    const PdfPageLayout layout(kFivePages, c.mode, 1.0, 500, c.currentPage);
    EXPECT_EQ(layout.contentSize(), c.content) << "mode " << c.mode;
    for (int page = 0; page < 5; ++page) {
      if (c.pages[page].isNull())
        EXPECT_TRUE(layout.pageRect(page).isEmpty()) << "mode " << c.mode << " page " << page;
      else
        EXPECT_EQ(layout.pageRect(page), c.pages[page]) << "mode " << c.mode << " page " << page;
    }
  }
}

TEST(PdfPageLayoutTest, NarrowViewportsScaleAndQuestions) {
  // Wider than the viewport: the content keeps its margins.
  const PdfPageLayout narrow(kFivePages, kDisplaySinglePageContinuous, 2.0, 100, 0);
  EXPECT_EQ(narrow.contentSize().width(), 216);
  EXPECT_EQ(narrow.pageRect(1), QRect(8, 416, 200, 400));
  EXPECT_TRUE(narrow.pageRect(5).isEmpty());
  EXPECT_TRUE(narrow.pageRect(-1).isEmpty());

  const PdfPageLayout layout(kFivePages, kDisplaySinglePageContinuous, 1.0, 500, 0);
  EXPECT_EQ(layout.pageAt(QPoint(250, 300)), 1);
  EXPECT_EQ(layout.pageAt(QPoint(250, 212)), -1);  // in the gap
  EXPECT_EQ(layout.pageAt(QPoint(50, 300)), -1);   // beside the page
  EXPECT_EQ(layout.pagesIn(QRect(0, 150, 500, 300)), (QVector<int>{0, 1, 2}));
  EXPECT_EQ(layout.mostVisibleRowPage(QRect(0, 150, 500, 200)), 1);
  EXPECT_EQ(layout.mostVisibleRowPage(QRect(0, 112, 500, 200)), 0);  // a tie goes to the earlier row
  EXPECT_EQ(layout.mostVisibleRowPage(QRect(0, 5000, 500, 200)), -1);

  EXPECT_EQ(PdfPageLayout(kFivePages, kDisplayTwoUpContinuous, 1.0, 500, 0).mostVisibleRowPage(QRect(0, 300, 500, 200)), 2);
  EXPECT_EQ(PdfPageLayout({}, kDisplaySinglePage, 1.0, 500, 0).contentSize(), QSize(0, 0));
}

TEST(PdfPageLayoutTest, FitScale) {
  const QSize viewport(500, 400);
  EXPECT_DOUBLE_EQ(PdfPageLayout::FitPixelsPerPoint(kFivePages, kDisplaySinglePageContinuous, 0, viewport), 4.83);
  EXPECT_DOUBLE_EQ(PdfPageLayout::FitPixelsPerPoint(kFivePages, kDisplaySinglePage, 0, viewport), 383.0 / 200);
  EXPECT_DOUBLE_EQ(PdfPageLayout::FitPixelsPerPoint(kFivePages, kDisplayTwoUpContinuous, 0, viewport), 475.0 / 200);
  EXPECT_EQ(PdfPageLayout::FitPixelsPerPoint({}, kDisplaySinglePage, 0, viewport), 0);
  EXPECT_EQ(PdfPageLayout::FitPixelsPerPoint(kFivePages, kDisplaySinglePage, 0, QSize(10, 10)), 0);

  // A fitted layout fits.
  const double fit = PdfPageLayout::FitPixelsPerPoint(kFivePages, kDisplayTwoUp, 4, viewport);
  const PdfPageLayout layout(kFivePages, kDisplayTwoUp, fit, viewport.width(), 4);
  EXPECT_LE(layout.contentSize().width(), viewport.width());
  EXPECT_LE(layout.contentSize().height(), viewport.height());
}

// --- Tiles and cache

TEST(PdfPageCacheTest, TileGrid) {
  const QSize page(2500, 1100);
  EXPECT_EQ(PdfTilesIn(page, QRect(0, 0, 2500, 1100)).size(), 6);
  EXPECT_EQ(PdfTilesIn(page, QRect(1000, 1000, 100, 50)),
            (QVector<QPoint>{{0, 0}, {1, 0}, {0, 1}, {1, 1}}));
  EXPECT_TRUE(PdfTilesIn(page, QRect(3000, 0, 10, 10)).isEmpty());
  EXPECT_EQ(PdfTileRect(page, QPoint(2, 1)), QRect(2048, 1024, 452, 76));
}

QImage Image(int bytes) { return QImage(bytes / 4, 1, QImage::Format_ARGB32); }

// The rectangle of the pixels that are mostly dark (ink on the white page).
QRect InkBounds(const QImage& image) {
  QRect ink;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 128) ink |= QRect(x, y, 1, 1);
  return ink;
}

double MeanGrayDifference(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) sum += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
  return sum / (double(a.width()) * a.height());
}

bool HasPixel(const QImage& image, QRgb pixel) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == pixel) return true;
  return false;
}

TEST(PdfPageCacheTest, ForgetsLeastRecentlyUsedButNeverPinned) {
  PdfPageCache cache(1000);
  const PdfTileKey a{0, 1024, 0, 0}, b{1, 1024, 0, 0}, c{2, 1024, 0, 0}, d{3, 1024, 0, 0};
  cache.insert(a, Image(400));
  cache.insert(b, Image(400));
  ASSERT_NE(cache.find(a), nullptr);  // a is now more recent than b
  cache.insert(c, Image(400));
  EXPECT_FALSE(cache.contains(b));
  EXPECT_TRUE(cache.contains(a));
  EXPECT_TRUE(cache.contains(c));
  EXPECT_EQ(cache.bytes(), 800);

  // Pinned tiles stay even beyond the limit.
  cache.setPinned({a, c});
  cache.insert(d, Image(400));
  EXPECT_TRUE(cache.contains(a));
  EXPECT_TRUE(cache.contains(c));
  EXPECT_FALSE(cache.contains(d));
  cache.setPinned({a, c, d});
  cache.insert(d, Image(400));
  EXPECT_EQ(cache.bytes(), 1200);
  cache.setPinned({});
  EXPECT_LE(cache.bytes(), 1000);
  EXPECT_EQ(cache.count(), 2);

  // Replacing an image counts only the new one.
  cache.insert(d, Image(100));
  EXPECT_EQ(cache.find(d)->sizeInBytes(), 100);
  cache.clear();
  EXPECT_EQ(cache.bytes(), 0);
  EXPECT_EQ(cache.find(d), nullptr);
}

TEST(PdfRenderWorkerTest, TilesMakeTheWholePage) {
  const std::unique_ptr<PdfDocument> pdf = Load(apptest::MakeNumberedPdf(2));
  ASSERT_NE(pdf, nullptr);
  ASSERT_EQ(pdf->pageCount(), 2);
  const QSize pageSize(1500, 2121);
  PdfRenderWorker worker;
  worker.setDocument(pdf.get());
  QImage assembled(pageSize, QImage::Format_ARGB32_Premultiplied);
  assembled.fill(Qt::red);
  int delivered = 0;
  QObject::connect(&worker, &PdfRenderWorker::tileRendered, [&](const PdfTileKey& key, const QImage& image) {
    QPainter painter(&assembled);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(PdfTileRect(pageSize, QPoint(key.column, key.row)).topLeft(), image);
    ++delivered;
  });
  std::vector<PdfTileRequest> requests;
  for (const QPoint& cell : PdfTilesIn(pageSize, QRect(QPoint(0, 0), pageSize)))
    requests.push_back({PdfTileKey{1, 1, cell.x(), cell.y()}, pageSize, PdfTileRect(pageSize, cell)});
  ASSERT_EQ(requests.size(), 6u);
  worker.request(requests);
  ASSERT_TRUE(WaitUntil([&] { return delivered == 6; }));
  EXPECT_EQ(worker.pendingCount(), 0);
  // The tiles together are the whole page: every pixel drawn, the same ink
  // in the same place, next to no difference on average.
  const QImage whole = pdf->render(1, pageSize, QRect(QPoint(0, 0), pageSize));
  const QRect ink = InkBounds(whole);
  EXPECT_FALSE(ink.isEmpty());
  const QRect tiledInk = InkBounds(assembled);
  for (int edge : {tiledInk.left() - ink.left(), tiledInk.top() - ink.top(), tiledInk.right() - ink.right(),
                   tiledInk.bottom() - ink.bottom()})
    EXPECT_LE(std::abs(edge), 2);
  EXPECT_LT(MeanGrayDifference(assembled, whole), 0.5);
  EXPECT_FALSE(HasPixel(assembled, qRgb(255, 0, 0)));

  // A tile asked for twice in one request is rendered once.
  worker.request({requests[2], requests[3], requests[2]});
  ASSERT_TRUE(WaitUntil([&] { return delivered == 8; }));
  QTest::qWait(50);
  EXPECT_EQ(delivered, 8);
  EXPECT_EQ(worker.pendingCount(), 0);

  // Asking again for a tile that was delivered renders it again; a document
  // change drops whatever was asked before it.
  worker.request({requests[0], requests[1]});
  worker.setDocument(nullptr);
  QTest::qWait(50);
  EXPECT_EQ(delivered, 8);
  EXPECT_EQ(worker.pendingCount(), 0);
}

TEST(PdfRenderWorkerTest, SwitchingDocumentsMidWorkDeliversOnlyTheLastOnesResults) {
  // Documents told apart by their page sizes; each is asked for tiles under
  // a scale key of its own, and replaced while the worker is opening it,
  // rendering its tiles or measuring its pages.
  const QVector<QVector<QSizeF>> sizes = {
      QVector<QSizeF>(40, QSizeF(300, 400)),
      QVector<QSizeF>(30, QSizeF(500, 200)),
      {QSizeF(200, 200), QSizeF(250, 100), QSizeF(120, 600)},
  };
  std::vector<std::unique_ptr<PdfDocument>> pdfs;
  for (const QVector<QSizeF>& pages : sizes) {
    pdfs.push_back(Load(apptest::MakePdfOfPageSizes(pages)));
    ASSERT_NE(pdfs.back(), nullptr);
  }
  PdfRenderWorker worker;
  QVector<QVector<QSizeF>> measured;
  QVector<PdfTileKey> tiles;
  QObject::connect(&worker, &PdfRenderWorker::pagesMeasured, [&](const QVector<QSizeF>& got) { measured.append(got); });
  QObject::connect(&worker, &PdfRenderWorker::tileRendered, [&](const PdfTileKey& key, const QImage& image) {
    EXPECT_FALSE(image.isNull());
    tiles.append(key);
  });
  const int last = static_cast<int>(pdfs.size()) - 1;
  for (int round = 0; round < 20; ++round) {
    for (int index = 0; index <= last; ++index) {
      worker.setDocument(pdfs[index].get());
      std::vector<PdfTileRequest> requests;
      for (int page = 0; page < pdfs[index]->pageCount(); ++page)
        requests.push_back({PdfTileKey{page, index, 0, 0}, QSize(400, 400), QRect(0, 0, 400, 400)});
      worker.request(requests);
      // Let the worker get into a different step each round.
      std::this_thread::sleep_for(std::chrono::microseconds(round * 150));
    }
  }
  const int lastPages = pdfs[last]->pageCount();
  ASSERT_TRUE(WaitUntil([&] { return !measured.isEmpty() && tiles.size() >= lastPages; }));
  QTest::qWait(50);
  // Nothing of the documents replaced arrives, and the last one's comes once.
  ASSERT_EQ(measured.size(), 1);
  EXPECT_EQ(measured[0], sizes[last]);
  EXPECT_EQ(tiles.size(), lastPages);
  for (const PdfTileKey& key : tiles) EXPECT_EQ(key.scaleKey, last);
  EXPECT_EQ(worker.pendingCount(), 0);
}

// --- Search

TEST(PdfPageTextTest, SearchesForwardsAndBackwardsIgnoringCaseWithoutWrapping) {
  const std::unique_ptr<PdfDocument> pdf = Load(apptest::MakeTextPdf({QStringLiteral("alpha Beta"), QStringLiteral("nothing"),
                                      QStringLiteral("beta gamma\nBETA delta")}));
  PdfPageText search(pdf.get());

  struct Hit {
    int page;
    QString text;
  };
  std::vector<Hit> forward;
  for (PdfTextSelection at = search.find({QStringLiteral("beta")}, {}, false); at.isValid();
       at = search.find({QStringLiteral("beta")}, at, false))
    forward.push_back({at.page, at.text});
  ASSERT_EQ(forward.size(), 3u);
  EXPECT_EQ(forward[0].page, 0);
  EXPECT_EQ(forward[0].text, QStringLiteral("Beta"));
  EXPECT_EQ(forward[1].page, 2);
  EXPECT_EQ(forward[1].text, QStringLiteral("beta"));
  EXPECT_EQ(forward[2].page, 2);
  EXPECT_EQ(forward[2].text, QStringLiteral("BETA"));  // on the second line

  std::vector<Hit> backward;
  for (PdfTextSelection at = search.find({QStringLiteral("BeTa")}, {}, true); at.isValid();
       at = search.find({QStringLiteral("BeTa")}, at, true))
    backward.push_back({at.page, at.text});
  ASSERT_EQ(backward.size(), 3u);
  EXPECT_EQ(backward[0].text, QStringLiteral("BETA"));
  EXPECT_EQ(backward[1].text, QStringLiteral("beta"));
  EXPECT_EQ(backward[2].text, QStringLiteral("Beta"));

  const PdfTextSelection first = search.find({QStringLiteral("beta")}, {}, false);
  EXPECT_FALSE(first.bounds.isEmpty());
  EXPECT_EQ(search.pageText(0).mid(first.start, first.end - first.start), QStringLiteral("Beta"));
  EXPECT_FALSE(search.find({QString()}, {}, false).isValid());
  EXPECT_FALSE(search.find({QStringLiteral("zeta")}, {}, false).isValid());
  EXPECT_FALSE(PdfPageText().find({QStringLiteral("beta")}, {}, false).isValid());
  EXPECT_TRUE(search.pageText(7).isEmpty());
}

TEST(PdfPageTextTest, FindFoldsWidthAndCaseAsTheFullTextIndexDoes) {
  // Full-width letters and digits, half-width katakana with voiced marks,
  // and a letter whose capital is another character.
  const QString page = QStringLiteral(
      "\uFF46\uFF55\uFF4C\uFF4C width\n"             // ｆｕｌｌ width
      "\uFF76\uFF9E\uFF72\uFF84\uFF9E book\n"       // ｶﾞｲﾄﾞ book
      "\uFF21\uFF22\uFF23\uFF11\uFF12\uFF13\n"     // ＡＢＣ１２３
      "Stra\u00DFe FULL stop");
  const std::unique_ptr<PdfDocument> pdf = Load(apptest::MakeTextPdf({page}));
  ASSERT_NE(pdf, nullptr);
  PdfPageText search(pdf.get());
  ASSERT_EQ(search.pageText(0).split(QLatin1Char('\n'), Qt::SkipEmptyParts), page.split(QLatin1Char('\n')));

  const struct {
    QString query;
    QString found;  // the page's characters selected; empty: none
  } cases[] = {
      {QStringLiteral("FULL"), QStringLiteral("\uFF46\uFF55\uFF4C\uFF4C")},
      {QStringLiteral("\uFF26\uFF35\uFF2C\uFF2C \uFF37\uFF29\uFF24\uFF34\uFF28"),  // ＦＵＬＬ ＷＩＤＴＨ
       QStringLiteral("\uFF46\uFF55\uFF4C\uFF4C width")},
      {QStringLiteral("\u30AC\u30A4\u30C9"), QStringLiteral("\uFF76\uFF9E\uFF72\uFF84\uFF9E")},  // ガイド
      {QStringLiteral("\uFF76\uFF9E\uFF72"), QStringLiteral("\uFF76\uFF9E\uFF72")},                // ｶﾞｲ
      {QStringLiteral("\u30C9 BOOK"), QStringLiteral("\uFF84\uFF9E book")},                           // ド BOOK
      {QStringLiteral("abc123"), QStringLiteral("\uFF21\uFF22\uFF23\uFF11\uFF12\uFF13")},
      {QStringLiteral("STRA\u1E9EE"), QStringLiteral("Stra\u00DFe")},  // capital sharp s
      {QStringLiteral("\u304C\u3044\u3069"), QString()},  // がいど: hiragana is not katakana
      {QStringLiteral("\u30AB\u30A4"), QString()},          // カイ: the voiced mark is not dropped
  };
  for (const auto& test : cases) {
    const PdfTextSelection found = search.find({test.query}, {}, false);
    EXPECT_EQ(found.text, test.found) << test.query.toStdString();
    if (!test.found.isEmpty()) {
      EXPECT_EQ(search.pageText(0).mid(found.start, found.end - found.start), test.found);
      EXPECT_FALSE(found.bounds.isEmpty());
    }
  }

  // Every occurrence, and backwards from each: the full-width one and the
  // plain one of "full".
  const QList<PdfTextSelection> all = search.findAll({QStringLiteral("full")}, 0);
  ASSERT_EQ(all.size(), 2);
  EXPECT_EQ(all[0].text, QStringLiteral("\uFF46\uFF55\uFF4C\uFF4C"));
  EXPECT_EQ(all[1].text, QStringLiteral("FULL"));
  const PdfTextSelection last = search.find({QStringLiteral("\uFF46\uFF55\uFF4C\uFF4C")}, {}, true);
  EXPECT_EQ(last.text, QStringLiteral("FULL"));
  const PdfTextSelection before = search.find({QStringLiteral("\uFF46\uFF55\uFF4C\uFF4C")}, last, true);
  EXPECT_EQ(before.text, all[0].text);
  EXPECT_FALSE(search.find({QStringLiteral("full")}, before, true).isValid());
  EXPECT_EQ(search.find({QStringLiteral("full")}, before, false).text, QStringLiteral("FULL"));
}

TEST(PdfPageTextTest, WordsMatchOverAnyWhiteSpaceAndEveryOccurrenceOfAPageIsFound) {
  const std::unique_ptr<PdfDocument> pdf = Load(apptest::MakeTextPdf(
      {QStringLiteral("deep\nlearning and deep learning"), QStringLiteral("none"), QStringLiteral("Deep  Learning (a+b)")}));
  PdfPageText search(pdf.get());
  const struct {
    const char* name;
    QString text;
    int page;                  // findAll on this page
    QStringList all;           // what it finds there
    int fromPage;              // findFromPage from this page
    int foundPage;             // finds on this page (-1: nothing)
  } cases[] = {
      {"over a line's end", QStringLiteral("deep learning"), 0,
       {QStringLiteral("deep\nlearning"), QStringLiteral("deep learning")}, 1, 2},
      {"runs of white space in the text searched", QStringLiteral("  DEEP \t learning "), 2,
       {QStringLiteral("Deep  Learning")}, 0, 0},
      {"characters a pattern would take as its own", QStringLiteral("(a+b)"), 2, {QStringLiteral("(a+b)")}, 0, 2},
      {"a page without it", QStringLiteral("deep"), 1, {}, 3, -1},
      {"white space alone", QStringLiteral(" \n "), 0, {}, 0, -1},
      {"empty", QString(), 0, {}, 0, -1},
      {"a page that does not exist", QStringLiteral("deep"), 9, {}, -1, -1},
  };
  for (const auto& c : cases) {
    QStringList all;
    for (const PdfTextSelection& hit : search.findAll({c.text}, c.page)) {
      EXPECT_EQ(hit.page, c.page) << c.name;
      EXPECT_FALSE(hit.bounds.isEmpty()) << c.name;
      all.append(hit.text);
    }
    EXPECT_EQ(all, c.all) << c.name;
    EXPECT_EQ(search.findFromPage({c.text}, c.fromPage).page, c.foundPage) << c.name;
  }
  // Found forwards and backwards alike, over the line's end.
  const PdfTextSelection first = search.find({QStringLiteral("deep learning")}, {}, false);
  EXPECT_EQ(first.text, QStringLiteral("deep\nlearning"));
  EXPECT_EQ(first.bounds.size(), 2);  // one shape per line
  const PdfTextSelection last = search.find({QStringLiteral("deep learning")}, {}, true);
  EXPECT_EQ(last.page, 2);
  EXPECT_EQ(search.find({QStringLiteral("deep learning")}, last, true).text, QStringLiteral("deep learning"));
}

TEST(PdfPageTextTest, SeveralTextsAreFoundTogetherInReadingOrderWithoutOverlapping) {
  const std::unique_ptr<PdfDocument> pdf = Load(apptest::MakeTextPdf(
      {QStringLiteral("deep learning and statistics\nlearning deeply"), QStringLiteral("機械学習と統計学\n統計的機械学習")}));
  PdfPageText search(pdf.get());
  const struct {
    const char* name;
    QStringList texts;
    int page;
    QStringList all;  // findAll there, in reading order
  } cases[] = {
      {"two words, each wherever it is", {"learning", "deep"}, 0, {"deep", "learning", "learning", "deep"}},
      {"a phrase and a word", {"statistics", "deep learning"}, 0, {"deep learning", "statistics"}},
      {"the longer of two at one place", {"learn", "learning"}, 0, {"learning", "learning"}},
      {"one inside another's hit is not found again", {"earn", "deep learning"}, 0, {"deep learning", "earn"}},
      {"Japanese", {"統計", "機械学習"}, 1, {"機械学習", "統計", "統計", "機械学習"}},
      {"Japanese, one inside the other", {"学習", "機械学習"}, 1, {"機械学習", "機械学習"}},
      {"one absent", {"zeta", "deeply"}, 0, {"deeply"}},
      {"texts without words", {"", " \n "}, 0, {}},
      {"none", {}, 0, {}},
  };
  for (const auto& c : cases) {
    QStringList all;
    for (const PdfTextSelection& hit : search.findAll(c.texts, c.page)) all << hit.text.simplified();
    EXPECT_EQ(all, c.all) << c.name;
  }
  // Forwards and backwards through the occurrences of both, page by page.
  const QStringList texts = {QStringLiteral("statistics"), QStringLiteral("機械学習")};
  QStringList forward, backward;
  for (PdfTextSelection at = search.find(texts, {}, false); at.isValid(); at = search.find(texts, at, false))
    forward << QStringLiteral("%1:%2").arg(at.page).arg(at.text);
  for (PdfTextSelection at = search.find(texts, {}, true); at.isValid(); at = search.find(texts, at, true))
    backward.prepend(QStringLiteral("%1:%2").arg(at.page).arg(at.text));
  EXPECT_EQ(forward, (QStringList{"0:statistics", "1:機械学習", "1:機械学習"}));
  EXPECT_EQ(backward, forward);
  EXPECT_EQ(search.findFromPage(texts, 1).text, QStringLiteral("機械学習"));
}

// --- Search on the text worker

// Waits for the worker's result of the latest search.
std::optional<PdfTextSelection> Found(PdfTextWorker* worker, const PdfTextSearch& search) {
  std::optional<PdfTextSelection> found;
  const QMetaObject::Connection taken =
      QObject::connect(worker, &PdfTextWorker::found, [&](const PdfTextSelection& selection) { found = selection; });
  worker->find(search);
  WaitUntil([&] { return found.has_value(); });
  QObject::disconnect(taken);
  return found;
}

TEST(PdfTextWorkerTest, SearchesAndReadsHitsOnItsOwnThreadAndDropsOvertakenResults) {
  QStringList pages(120, QStringLiteral("hay and more hay"));
  pages[3] = QStringLiteral("a needle here");
  pages[118] = QStringLiteral("needle, Needle");
  const std::unique_ptr<PdfDocument> pdf = Load(apptest::MakeTextPdf(pages));
  PdfTextWorker worker;
  worker.setDocument(pdf.get());

  // The searches of the view, as PdfPageText makes them.
  PdfPageText reference(pdf.get());
  const PdfTextSelection onPage3 = reference.find({QStringLiteral("needle")}, {}, false);
  const struct {
    const char* name;
    PdfTextSearch search;
    int page;  // -1: nothing found
    int start;
  } cases[] = {
      {"forwards from the start", PdfTextSearch::After({QStringLiteral("NEEDLE")}, {}, false), 3, 2},
      {"forwards after a hit", PdfTextSearch::After({QStringLiteral("needle")}, onPage3, false), 118, 0},
      {"backwards before a hit", PdfTextSearch::After({QStringLiteral("needle")}, onPage3, true), -1, 0},
      {"backwards from the end", PdfTextSearch::After({QStringLiteral("needle")}, {}, true), 118, 8},
      {"from a page", PdfTextSearch::FromPage({QStringLiteral("needle")}, 4), 118, 0},
      {"from a page past the hits", PdfTextSearch::FromPage({QStringLiteral("needle")}, 119), -1, 0},
      {"absent", PdfTextSearch::After({QStringLiteral("thread")}, {}, false), -1, 0},
  };
  for (const auto& c : cases) {
    const std::optional<PdfTextSelection> found = Found(&worker, c.search);
    ASSERT_TRUE(found.has_value()) << c.name;
    EXPECT_EQ(found->isValid() ? found->page : -1, c.page) << c.name;
    if (c.page >= 0) {
      EXPECT_EQ(found->start, c.start) << c.name;
      EXPECT_FALSE(found->bounds.isEmpty()) << c.name;
    }
    EXPECT_FALSE(worker.searching()) << c.name;
  }

  // A search overtaken by another one: only the latest result comes.
  std::vector<int> results;
  QObject::connect(&worker, &PdfTextWorker::found,
                   [&](const PdfTextSelection& selection) { results.push_back(selection.page); });
  worker.find(PdfTextSearch::After({QStringLiteral("needle")}, {}, true));
  worker.find(PdfTextSearch::After({QStringLiteral("a needle")}, {}, false));
  EXPECT_TRUE(worker.searching());  // until the result is delivered
  ASSERT_TRUE(WaitUntil([&] { return !worker.searching(); }));
  QTest::qWait(50);
  EXPECT_EQ(results, std::vector<int>{3});

  // Hits of the pages asked for, each on its own.
  std::map<int, int> hits;
  QObject::connect(&worker, &PdfTextWorker::hitsFound,
                   [&](const QStringList& texts, int page, const QList<PdfTextSelection>& found) {
                     EXPECT_EQ(texts, QStringList{QStringLiteral("needle")});
                     hits[page] = int(found.size());
                   });
  worker.requestHits({QStringLiteral("needle")}, {118, 3, 5, 200});
  ASSERT_TRUE(WaitUntil([&] { return hits.size() == 4; }));
  EXPECT_EQ(hits, (std::map<int, int>{{3, 1}, {5, 0}, {118, 2}, {200, 0}}));
  // A request for no pages (the view's, when every page shown is known)
  // asks for nothing, and the worker goes on serving the next.
  hits.clear();
  worker.requestHits({QStringLiteral("needle")}, {});
  QTest::qWait(50);
  EXPECT_TRUE(hits.empty());
  worker.requestHits({QStringLiteral("needle")}, {118});
  ASSERT_TRUE(WaitUntil([&] { return hits.size() == 1; }));
  EXPECT_EQ(hits[118], 2);

  // Another document: what was asked about the previous one does not come.
  results.clear();
  worker.find(PdfTextSearch::After({QStringLiteral("needle")}, {}, true));
  const std::unique_ptr<PdfDocument> other = Load(apptest::MakeTextPdf({QStringLiteral("needle")}));
  worker.setDocument(other.get());
  EXPECT_FALSE(worker.searching());
  QTest::qWait(100);
  EXPECT_TRUE(results.empty());
  EXPECT_EQ(Found(&worker, PdfTextSearch::After({QStringLiteral("needle")}, {}, false))->page, 0);
}

TEST(PdfPageTextTest, DragSelectsFromAndToTheNearestText) {
  // "Page 1 of 2" is drawn from (72, 72), 12 points high; the next line 20 below.
  const std::unique_ptr<PdfDocument> pdf = Load(apptest::MakeNumberedPdf(2));
  PdfPageText text(pdf.get());
  const struct {
    const char* name;
    QPointF from, to;
    QString expected;
  } cases[] = {
      {"on the text", {73, 68}, {130, 68}, QStringLiteral("Page 1 of")},
      {"past the end of the line", {73, 68}, {400, 68}, QStringLiteral("Page 1 of 2")},
      {"from the margin", {10, 68}, {400, 66}, QStringLiteral("Page 1 of 2")},
      {"backwards", {400, 68}, {10, 68}, QStringLiteral("Page 1 of 2")},
      {"into the next line", {73, 68}, {93, 88}, QStringLiteral("Page 1 of 2\nThe")},
  };
  for (const auto& c : cases) {
    const PdfTextSelection selection = text.selectBetween(0, c.from, c.to);
    EXPECT_TRUE(selection.isValid()) << c.name;
    EXPECT_EQ(selection.text.trimmed(), c.expected) << c.name << ": " << selection.text.toStdString();
    EXPECT_EQ(text.pageText(0).mid(selection.start, selection.end - selection.start).trimmed(), c.expected) << c.name;
  }
  EXPECT_FALSE(text.selectBetween(0, {73, 68}, {73, 68}).isValid());
  EXPECT_FALSE(text.selectBetween(5, {73, 68}, {130, 68}).isValid());
  const PdfTextSelection chars = text.selectCharacters(1, 0, 4);
  EXPECT_EQ(chars.text, QStringLiteral("Page"));
  EXPECT_FALSE(chars.bounds.isEmpty());
  EXPECT_FALSE(text.selectCharacters(1, 3, 3).isValid());
}

// --- The view

class PdfViewTest : public ::testing::Test {
 protected:
  void show(const QByteArray& bytes, QSize size = QSize(500, 600)) {
    pdf = Load(bytes);
    view = std::make_unique<PdfView>();
    view->resize(size);
    view->setDocument(pdf.get());
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
  }

  void TearDown() override {
    view.reset();
    pdf.reset();
  }

  // A mouse event on the viewport with the pointer at `screen`.
  void mouse(QEvent::Type type, QPoint screen, Qt::MouseButtons buttons, Qt::MouseButton button = Qt::NoButton) {
    QCursor::setPos(screen);
    QWidget* target = view->viewport();
    QMouseEvent event(type, QPointF(target->mapFromGlobal(screen)), QPointF(screen), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  }

  QPoint scroll() const { return QPoint(view->horizontalScrollBar()->value(), view->verticalScrollBar()->value()); }

  std::unique_ptr<PdfDocument> pdf;
  std::unique_ptr<PdfView> view;
};

TEST_F(PdfViewTest, NavigationStepsByRowsOfItsMode) {
  show(apptest::MakeNumberedPdf(5));
  const struct {
    int mode;
    QVector<int> nextPages;  // pages reached by goToNextPage from page 0
  } cases[] = {
      {kDisplaySinglePage, {1, 2, 3, 4}},
      {kDisplaySinglePageContinuous, {1, 2, 3, 4}},
      {kDisplayTwoUp, {2, 4}},
      {kDisplayTwoUpContinuous, {2, 4}},
  };
  for (const auto& c : cases) {
    view->setDisplayMode(c.mode);
    view->goToFirstPage();
    EXPECT_EQ(view->currentPage(), 0) << c.mode;
    EXPECT_FALSE(view->canGoToPreviousPage()) << c.mode;
    EXPECT_FALSE(view->canGoToFirstPage()) << c.mode;
    QVector<int> reached;
    while (view->canGoToNextPage()) {
      view->goToNextPage();
      reached << view->currentPage();
    }
    EXPECT_EQ(reached, c.nextPages) << c.mode;
    EXPECT_FALSE(view->canGoToLastPage()) << c.mode;
    EXPECT_TRUE(view->canGoToPreviousPage()) << c.mode;
    view->goToPreviousPage();
    EXPECT_EQ(view->currentPage(), c.nextPages.size() > 1 ? c.nextPages[c.nextPages.size() - 2] : 0) << c.mode;
    // The page is in view: its top at the top of the view (continuous) or
    // the only row laid out.
    const QRect page = view->pageLayout().pageRect(view->currentPage());
    ASSERT_FALSE(page.isEmpty()) << c.mode;
    EXPECT_EQ(view->verticalScrollBar()->value(), std::min(page.top() - kPageMargin, view->verticalScrollBar()->maximum()))
        << c.mode;
  }
}

TEST_F(PdfViewTest, BackAndForwardVisitThePagesWentTo) {
  show(apptest::MakeNumberedPdf(6));
  EXPECT_FALSE(view->canGoBack());
  view->goToPage(3);
  view->goToPage(5);
  view->goToPage(7);  // no such page: ignored
  EXPECT_EQ(view->currentPage(), 5);
  view->goBack();
  EXPECT_EQ(view->currentPage(), 3);
  view->goBack();
  EXPECT_EQ(view->currentPage(), 0);
  EXPECT_FALSE(view->canGoBack());
  EXPECT_TRUE(view->canGoForward());
  view->goForward();
  EXPECT_EQ(view->currentPage(), 3);
  view->goToPage(1);  // a new jump drops what lay ahead
  EXPECT_FALSE(view->canGoForward());
}

TEST_F(PdfViewTest, ScaleZoomStepsAndAutomaticScaling) {
  show(apptest::MakeNumberedPdf(2));
  EXPECT_TRUE(view->autoScales());
  const double fitted = view->scaleFactor();
  EXPECT_LE(view->pageLayout().contentSize().height(), view->viewport()->height());  // the page fits whole

  view->setScaleFactor(1.0);
  EXPECT_FALSE(view->autoScales());
  view->zoomIn();
  EXPECT_DOUBLE_EQ(view->scaleFactor(), 1.25);
  view->zoomOut();
  view->zoomOut();
  EXPECT_DOUBLE_EQ(view->scaleFactor(), 0.75);
  view->setScaleFactor(100);
  EXPECT_DOUBLE_EQ(view->scaleFactor(), PdfView::ZoomSteps().back());
  EXPECT_FALSE(view->canZoomIn());
  view->setScaleFactor(0.3);
  view->zoomOut();
  EXPECT_DOUBLE_EQ(view->scaleFactor(), 0.25);

  view->setAutoScales(true);
  EXPECT_DOUBLE_EQ(view->scaleFactor(), fitted);
  view->setDisplayMode(kDisplaySinglePageContinuous);  // continuous: the width fits
  EXPECT_GT(view->scaleFactor(), fitted);
  EXPECT_LE(view->pageLayout().contentSize().width(), view->viewport()->width());
}

TEST_F(PdfViewTest, ScrollingMovesTheCurrentPageAndModesKeepIt) {
  show(apptest::MakeNumberedPdf(8));
  view->setDisplayMode(kDisplaySinglePageContinuous);
  int changes = 0;
  QObject::connect(view.get(), &PdfView::pageChanged, [&] { ++changes; });
  const QRect page5 = view->pageLayout().pageRect(5);
  view->verticalScrollBar()->setValue(page5.top() + 10);
  EXPECT_EQ(view->currentPage(), 5);
  EXPECT_EQ(changes, 1);

  view->setDisplayMode(kDisplayTwoUp);
  EXPECT_EQ(view->currentPage(), 5);
  EXPECT_FALSE(view->pageLayout().pageRect(4).isEmpty());  // the row of pages 4 and 5
  EXPECT_TRUE(view->pageLayout().pageRect(6).isEmpty());
  view->setDisplayMode(kDisplaySinglePage);
  EXPECT_EQ(view->currentPage(), 5);
  view->setDisplayMode(9);  // no such mode
  EXPECT_EQ(view->displayMode(), kDisplaySinglePage);
}

TEST_F(PdfViewTest, HandToolDragsThePagesWithThePointer) {
  show(apptest::MakeNumberedPdf(3));
  view->setScaleFactor(3.0);  // room to scroll both ways
  EXPECT_EQ(view->viewport()->cursor().shape(), Qt::OpenHandCursor);
  const QPoint start = view->viewport()->mapToGlobal(QPoint(200, 200));
  for (int steps : {1, 3, 6}) {
    view->horizontalScrollBar()->setValue(200);
    view->verticalScrollBar()->setValue(300);
    mouse(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::ClosedHandCursor);
    // 30 to the right and 20 up, in `steps` steps.
    for (int step = 1; step <= steps; ++step)
      mouse(QEvent::MouseMove, start + QPoint(30 * step / steps, -20 * step / steps), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, start + QPoint(30, -20), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(scroll(), QPoint(170, 320)) << steps << " steps";
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::OpenHandCursor);
    EXPECT_FALSE(view->currentSelection().isValid());  // the press selected nothing
  }
}

TEST_F(PdfViewTest, TextToolSelectsAndCopies) {
  show(apptest::MakeNumberedPdf(2));
  view->setScaleFactor(1.0);
  const double ppp = view->logicalDpiX() / 72.0;
  const QPoint pageCorner = view->pageLayout().pageRect(0).topLeft() - scroll();
  auto onPage = [&](double x, double y) {
    return view->viewport()->mapToGlobal(pageCorner + QPointF(x * ppp, y * ppp).toPoint());
  };
  for (int mode : {kToolModeText, 7}) {  // any mode but the hand acts as the text tool
    view->setToolMode(mode);
    view->setCurrentSelection({});
    mouse(QEvent::MouseButtonPress, onPage(73, 68), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, onPage(120, 68), Qt::LeftButton);
    mouse(QEvent::MouseMove, onPage(400, 68), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, onPage(400, 68), Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(view->currentSelection().isValid()) << mode;
    EXPECT_EQ(view->currentSelection().text.trimmed(), QStringLiteral("Page 1 of 2")) << mode;
    EXPECT_EQ(view->currentSelection().page, 0);
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::IBeamCursor);
  }
  QApplication::clipboard()->clear();
  QTest::keyClick(view.get(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), view->currentSelection().text);

  // Back to the hand: its open hand again.
  view->setToolMode(kToolModeHand);
  EXPECT_EQ(view->viewport()->cursor().shape(), Qt::OpenHandCursor);
}

TEST_F(PdfViewTest, ScrollingALongDocumentKeepsTheCacheBounded) {
  show(apptest::MakeNumberedPdf(60), QSize(700, 900));
  view->setDisplayMode(kDisplaySinglePageContinuous);
  view->setScaleFactor(1.0);
  ASSERT_TRUE(WaitUntil([&] { return view->visiblePagesComplete(); }));
  // One page is about 3.5 MB at this scale: sixty would be far above the limit.
  const qint64 onScreen = 3 * qint64(view->viewport()->width()) * view->viewport()->height() * 4;
  qint64 most = 0;
  QScrollBar* bar = view->verticalScrollBar();
  while (bar->value() < bar->maximum()) {
    bar->setValue(bar->value() + bar->pageStep());
    ASSERT_TRUE(WaitUntil([&] {
      view->viewport()->repaint();
      return view->visiblePagesComplete();
    }));
    most = std::max(most, view->pageCache().bytes());
  }
  EXPECT_EQ(view->currentPage(), 59);
  EXPECT_GT(most, PdfView::kDefaultCacheBytes / 2);  // the cache was used
  EXPECT_LE(most, PdfView::kDefaultCacheBytes + onScreen);
}

TEST_F(PdfViewTest, PagesOfOtherSizesAreLaidOutOnceMeasured) {
  const QVector<QSizeF> sizes = {{595, 842}, {842, 595}, {300, 400}, {595, 842}};
  show(apptest::MakePdfOfPageSizes(sizes));
  view->setDisplayMode(kDisplaySinglePageContinuous);
  view->setScaleFactor(1.0);
  ASSERT_TRUE(WaitUntil([&] { return view->allPagesMeasured(); }));
  const double ppp = view->logicalDpiX() / 72.0;
  for (int page = 0; page < sizes.size(); ++page) {
    const QRect rect = view->pageLayout().pageRect(page);
    EXPECT_NEAR(rect.width(), sizes[page].width() * ppp, 1) << page;
    EXPECT_NEAR(rect.height(), sizes[page].height() * ppp, 1) << page;
  }
  // Laid out one below the other, centred.
  EXPECT_EQ(view->pageLayout().pageRect(2).top(), view->pageLayout().pageRect(1).bottom() + 1 + kPageGap);
  EXPECT_NEAR(view->pageLayout().pageRect(2).center().x(), view->pageLayout().pageRect(1).center().x(), 1);
}

TEST_F(PdfViewTest, DocumentWithoutPagesShowsNothing) {
  show(apptest::MakeGarbagePdf());
  EXPECT_EQ(view->pageCount(), 0);
  EXPECT_EQ(view->currentPage(), -1);
  for (bool can : {view->canGoToFirstPage(), view->canGoToLastPage(), view->canGoToNextPage(),
                   view->canGoToPreviousPage(), view->canGoBack(), view->canGoForward(), view->canZoomIn(),
                   view->canZoomOut()})
    EXPECT_FALSE(can);
  view->goToPage(0);
  view->setCurrentSelection({0, 0, 3, QStringLiteral("abc"), {}});
  EXPECT_FALSE(view->currentSelection().isValid());
  std::optional<PdfTextSelection> found;
  view->find(PdfTextSearch::After({QStringLiteral("a")}, {}, false), [&](const PdfTextSelection& selection) { found = selection; });
  ASSERT_TRUE(WaitUntil([&] { return found.has_value(); }));
  EXPECT_FALSE(found->isValid());
  view->viewport()->repaint();
  EXPECT_TRUE(view->visiblePagesComplete());
}


// --- Links and paging

TEST_F(PdfViewTest, LinksShowAPointingHandAndAClickFollowsThemInEveryTool) {
  show(apptest::MakeLinkedPdf());
  view->setScaleFactor(1.0);
  const double ppp = view->logicalDpiX() / 72.0;
  auto onPage = [&](double x, double y) {
    const QPoint corner = view->pageLayout().pageRect(view->currentPage()).topLeft() - scroll();
    return view->viewport()->mapToGlobal(corner + QPointF(x * ppp, y * ppp).toPoint());
  };
  QStringList opened;
  QObject::connect(view.get(), &PdfView::externalLinkActivated, [&](const QString& uri) { opened << uri; });
  const struct {
    int tool;
    Qt::CursorShape offLink;
  } tools[] = {{kToolModeHand, Qt::OpenHandCursor}, {kToolModeText, Qt::IBeamCursor}};
  for (const auto& t : tools) {
    view->setToolMode(t.tool);
    view->goToPage(0);
    mouse(QEvent::MouseMove, onPage(60, 40), Qt::NoButton);  // the link to page 3
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::PointingHandCursor) << t.tool;
    mouse(QEvent::MouseMove, onPage(150, 100), Qt::NoButton);
    EXPECT_EQ(view->viewport()->cursor().shape(), t.offLink) << t.tool;

    // A drag that starts on the link does not follow it.
    mouse(QEvent::MouseButtonPress, onPage(60, 40), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, onPage(60, 70), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, onPage(60, 70), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(view->currentPage(), 0) << t.tool;

    // A click does; Back returns.
    mouse(QEvent::MouseButtonPress, onPage(60, 40), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, onPage(60, 40), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(view->currentPage(), 2) << t.tool;
    ASSERT_TRUE(view->canGoBack());
    view->goBack();
    EXPECT_EQ(view->currentPage(), 0) << t.tool;

    mouse(QEvent::MouseButtonPress, onPage(150, 160), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, onPage(150, 160), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(view->currentPage(), 0) << t.tool;
  }
  EXPECT_EQ(opened, (QStringList{QStringLiteral("https://example.org/folian"), QStringLiteral("https://example.org/folian")}));
}

TEST_F(PdfViewTest, LinkToAPointScrollsThere) {
  show(apptest::MakeLinkedPdf(), QSize(300, 200));
  view->setDisplayMode(kDisplaySinglePageContinuous);
  view->setScaleFactor(2.0);
  const QVector<PdfLink> links = pdf->links(0);
  const auto internal = std::find_if(links.begin(), links.end(), [](const PdfLink& l) { return l.isInternal(); });
  ASSERT_NE(internal, links.end());
  view->followLink(*internal);
  EXPECT_EQ(view->currentPage(), 2);
  // The destination (50 points below the top of page 3) is at the top of the view.
  const double ppp = 2.0 * view->logicalDpiX() / 72.0;
  EXPECT_NEAR(view->verticalScrollBar()->value(),
              view->pageLayout().pageRect(2).top() + 50 * ppp - kPageMargin, 1);
}

TEST_F(PdfViewTest, PagingKeysScrollAScreenThenTurnThePage) {
  show(apptest::MakeNumberedPdf(4), QSize(500, 400));
  view->setScaleFactor(1.5);  // a page is taller than the view
  QScrollBar* bar = view->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  // A screen less 40 pixels of overlap (the viewport's height changes with the horizontal bar).
  auto screen = [&] { return view->viewport()->height() - 40; };
  struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
  };
  auto press = [&](const Step& step) { QTest::keyClick(view.get(), step.key, step.modifiers); };
  const Step down[] = {{Qt::Key_PageDown, Qt::NoModifier}, {Qt::Key_Space, Qt::NoModifier}};
  const Step up[] = {{Qt::Key_PageUp, Qt::NoModifier}, {Qt::Key_Space, Qt::ShiftModifier}};
  for (int k = 0; k < 2; ++k) {
    // Single page: down through page 1 a screen at a time, then page 2 from its top.
    view->setDisplayMode(kDisplaySinglePage);
    view->goToPage(0);
    press(down[k]);
    EXPECT_EQ(bar->value(), std::min(screen(), bar->maximum())) << k;
    while (bar->value() < bar->maximum()) press(down[k]);
    EXPECT_EQ(view->currentPage(), 0) << k;
    press(down[k]);
    EXPECT_EQ(view->currentPage(), 1) << k;
    EXPECT_EQ(bar->value(), 0) << k;
    // Up from the top of page 2: page 1 from its bottom.
    press(up[k]);
    EXPECT_EQ(view->currentPage(), 0) << k;
    EXPECT_EQ(bar->value(), bar->maximum()) << k;
    press(up[k]);
    EXPECT_EQ(bar->value(), std::max(0, bar->maximum() - screen())) << k;

    // Continuous: a screen at a time across pages.
    view->setDisplayMode(kDisplaySinglePageContinuous);
    bar->setValue(100);
    press(down[k]);
    EXPECT_EQ(bar->value(), 100 + screen()) << k;
    press(up[k]);
    EXPECT_EQ(bar->value(), 100) << k;
  }
  // Home and End: the first and last page, their top and the very end.
  for (int mode : {kDisplaySinglePage, kDisplaySinglePageContinuous, kDisplayTwoUp}) {
    view->setDisplayMode(mode);
    QTest::keyClick(view.get(), Qt::Key_End);
    EXPECT_EQ(view->currentPage(), 3) << mode;
    EXPECT_EQ(bar->value(), bar->maximum()) << mode;
    QTest::keyClick(view.get(), Qt::Key_Home);
    EXPECT_EQ(view->currentPage(), 0) << mode;
    EXPECT_EQ(bar->value(), 0) << mode;
  }
}

TEST_F(PdfViewTest, WheelPastTheEndOfASinglePageTurnsIt) {
  show(apptest::MakeNumberedPdf(3), QSize(500, 400));
  view->setScaleFactor(1.5);
  QScrollBar* bar = view->verticalScrollBar();
  auto wheel = [&](int delta) {
    const QPointF at(100, 100);
    QWheelEvent event(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &event);
  };
  view->setDisplayMode(kDisplaySinglePage);
  wheel(-120);
  EXPECT_GT(bar->value(), 0);  // scrolls within the page first
  EXPECT_EQ(view->currentPage(), 0);
  bar->setValue(bar->maximum());
  wheel(-60);  // half a notch past the end: not yet
  EXPECT_EQ(view->currentPage(), 0);
  wheel(-60);
  EXPECT_EQ(view->currentPage(), 1);
  EXPECT_EQ(bar->value(), 0);
  wheel(120);  // at the top, back to the previous page's bottom
  EXPECT_EQ(view->currentPage(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());

  // Continuous: the wheel only scrolls.
  view->setDisplayMode(kDisplaySinglePageContinuous);
  bar->setValue(bar->maximum());
  wheel(-240);
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_EQ(view->currentPage(), 2);
}

}  // namespace
