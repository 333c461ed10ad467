// What keeps the window's thread from waiting while the view scrolls: tile
// memory reused rather than allocated, tile requests handed to the render
// worker without its lock, and scroll bars drawn in plain colours.

#include <QApplication>
#include <QScrollBar>
#include <QSet>
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "PdfViewTestSupport.h"
#include "TestPdfFiles.h"
#include "pdfview/PdfRenderWorker.h"
#include "pdfview/PdfOutlineView.h"
#include "pdfview/PdfScrollBarStyle.h"
#include "pdfview/PdfSidebar.h"
#include "pdfview/PdfThumbnailView.h"
#include "pdfview/PdfTileBuffers.h"
#include "pdfview/PdfView.h"

namespace {

using pdfviewtest::Load;
using pdfviewtest::WaitUntil;

// --- Tile memory

TEST(PdfTileBuffersTest, ADroppedTilesMemoryGoesToTheNextTileOfItsSize) {
  // Sizes no other test uses, so that the process-wide pool holds no other
  // block of them.
  const QSize size(123, 45), other(124, 45);
  QImage first = PdfTileImage(size);
  ASSERT_FALSE(first.isNull());
  EXPECT_EQ(first.size(), size);
  EXPECT_EQ(first.format(), QImage::Format_RGB32);
  EXPECT_EQ(first.bytesPerLine(), size.width() * 4);
  first.fill(Qt::red);  // writable without a copy
  const uchar* memory = first.constBits();

  // A copy keeps the memory in use; the last one gives it back.
  QImage copy = first;
  first = QImage();
  const int kept = PdfTileBuffersKept();
  EXPECT_NE(PdfTileImage(size).constBits(), memory);  // made anew (and given back at once)
  EXPECT_EQ(PdfTileBuffersKept(), std::min(kept + 1, kPdfKeptTileBuffers));
  copy = QImage();
  EXPECT_EQ(PdfTileBuffersKept(), std::min(kept + 2, kPdfKeptTileBuffers));
  EXPECT_NE(PdfTileImage(other).constBits(), memory);
  EXPECT_EQ(PdfTileImage(size).constBits(), memory);

  // Given back on another thread (the worker's, or the window's dropping
  // a tile the worker made), it is reused all the same.
  QImage made = PdfTileImage(size);
  const uchar* madeMemory = made.constBits();
  std::thread([image = std::move(made)]() mutable { image = QImage(); }).join();
  EXPECT_EQ(PdfTileImage(size).constBits(), madeMemory);

  // More than a tile is an ordinary image, not kept.
  const int before = PdfTileBuffersKept();
  QImage large = PdfTileImage(QSize(kPdfTileSize + 1, 10));
  ASSERT_FALSE(large.isNull());
  large = QImage();
  EXPECT_EQ(PdfTileBuffersKept(), before);
  EXPECT_TRUE(PdfTileImage(QSize(0, 10)).isNull());

  // However many are dropped, only a few blocks are kept.
  std::vector<QImage> many;
  for (int index = 0; index < 3 * kPdfKeptTileBuffers; ++index) many.push_back(PdfTileImage(QSize(200 + index, 30)));
  many.clear();
  EXPECT_EQ(PdfTileBuffersKept(), kPdfKeptTileBuffers);
}

TEST(PdfTileBuffersTest, ReusedMemoryIsDrawnAfresh) {
  // Text at the top of the page, nothing at its bottom: a tile of the bottom
  // drawn into the memory of a tile of the top must come out white.
  const std::unique_ptr<PdfDocument> pdf = Load(apptest::MakeTextPdf({"Ink at the top of the page"}));
  ASSERT_NE(pdf, nullptr);
  const QSize page(595, 842);
  const QRect top(0, 0, 301, 120), bottom(0, 700, 301, 120);
  QImage inked = pdf->render(0, page, top);
  ASSERT_EQ(inked.size(), top.size());
  int dark = 0;
  for (int y = 0; y < inked.height(); ++y)
    for (int x = 0; x < inked.width(); ++x) dark += qGray(inked.pixel(x, y)) < 128;
  ASSERT_GT(dark, 20);
  const uchar* memory = inked.constBits();
  inked = QImage();

  const QImage blank = pdf->render(0, page, bottom);
  ASSERT_EQ(blank.constBits(), memory);  // the same memory, so this shows it is cleared
  for (int y = 0; y < blank.height(); ++y)
    for (int x = 0; x < blank.width(); ++x) ASSERT_EQ(blank.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
}

// --- Requests

TEST(PdfRenderWorkerTest, ATileOnItsWayIsNotRenderedAgainButOneReceivedIs) {
  const std::unique_ptr<PdfDocument> pdf = Load(apptest::MakeNumberedPdf(2));
  ASSERT_NE(pdf, nullptr);
  PdfRenderWorker worker;
  worker.setDocument(pdf.get());
  QVector<PdfTileKey> delivered;
  QObject::connect(&worker, &PdfRenderWorker::tileRendered,
                   [&](const PdfTileKey& key, const QImage&) { delivered.append(key); });
  const QSize pageSize(600, 848);
  const PdfTileRequest a{PdfTileKey{0, 7, 0, 0}, pageSize, QRect(0, 0, 300, 300)};
  const PdfTileRequest b{PdfTileKey{1, 7, 0, 0}, pageSize, QRect(0, 0, 300, 300)};

  // Rendered, and on its way (this thread serves no events meanwhile) when
  // it is asked for again with another.
  worker.request({a});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  worker.request({a, b});
  ASSERT_TRUE(WaitUntil([&] { return delivered.size() >= 2; }));
  QTest::qWait(100);
  ASSERT_EQ(delivered.size(), 2);
  EXPECT_EQ(delivered[0], a.key);
  EXPECT_EQ(delivered[1], b.key);
  EXPECT_EQ(worker.pendingCount(), 0);

  // Received here (and, say, dropped by the cache), it is rendered again
  // when asked for again.
  worker.request({a});
  ASSERT_TRUE(WaitUntil([&] { return delivered.size() == 3; }));
  EXPECT_EQ(delivered[2], a.key);
}

TEST(PdfRenderWorkerTest, EveryRequestIsServedHoweverItMeetsTheWorker) {
  // A request handed over just as the worker goes to sleep must wake it:
  // rounds of requests arriving while it renders, finishes or sleeps, each
  // replaced by the next but the last, whose tile must always come.
  const std::unique_ptr<PdfDocument> pdf = Load(apptest::MakeNumberedPdf(1));
  ASSERT_NE(pdf, nullptr);
  PdfRenderWorker worker;
  worker.setDocument(pdf.get());
  QSet<int> delivered;  // scale keys of the tiles delivered
  QObject::connect(&worker, &PdfRenderWorker::tileRendered,
                   [&](const PdfTileKey& key, const QImage& image) {
                     EXPECT_FALSE(image.isNull());
                     delivered.insert(key.scaleKey);
                   });
  const QSize pageSize(100, 140);
  int scale = 0;
  for (int round = 0; round < 300; ++round) {
    for (int burst = 0; burst <= round % 3; ++burst)
      worker.request({PdfTileRequest{PdfTileKey{0, ++scale, 0, 0}, pageSize, QRect(0, 0, 40, 40)}});
    if (round % 2 == 1) std::this_thread::sleep_for(std::chrono::microseconds(37 * (round % 11)));
    // In small steps: the next round should meet the worker at any point.
    for (int step = 0; step < 3000 && !delivered.contains(scale); ++step) QTest::qWait(1);
    ASSERT_TRUE(delivered.contains(scale)) << "round " << round;
  }
  EXPECT_EQ(worker.pendingCount(), 0);
}

// --- Scroll bars

TEST(PdfScrollBarStyleTest, TheViewsBarsAreDrawnInPlainColours) {
  const std::unique_ptr<PdfDocument> pdf = Load(apptest::MakeNumberedPdf(20));
  ASSERT_NE(pdf, nullptr);
  PdfView view;
  view.resize(400, 500);
  view.setDocument(pdf.get());
  view.setDisplayMode(kDisplaySinglePageContinuous);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  QScrollBar* bar = view.verticalScrollBar();
  ASSERT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->style(), PdfScrollBarStyle::instance());
  EXPECT_EQ(view.horizontalScrollBar()->style(), PdfScrollBarStyle::instance());
  EXPECT_NE(view.style(), PdfScrollBarStyle::instance());  // the rest of the view keeps the application's style
  // The sidebar's lists scroll along with the pages: theirs too.
  PdfSidebar sidebar(&view);
  for (QAbstractScrollArea* list : {static_cast<QAbstractScrollArea*>(sidebar.outline()),
                                    static_cast<QAbstractScrollArea*>(sidebar.thumbnails())})
    EXPECT_EQ(list->verticalScrollBar()->style(), PdfScrollBarStyle::instance());

  bar->setValue(bar->maximum() / 2);
  const QImage drawn = bar->grab().toImage();
  const QColor groove = PdfScrollBarStyle::grooveColor(bar->palette());
  const QColor handle = PdfScrollBarStyle::handleColor(bar->palette(), false);
  ASSERT_NE(groove.rgb(), handle.rgb());
  // Down the middle, between the arrow buttons (each as tall as the bar is
  // wide): only the groove's and the handle's colours, both there; a
  // gradient would show others.
  const int x = drawn.width() / 2;
  int grooveRows = 0, handleRows = 0;
  for (int y = drawn.width() + 1; y < drawn.height() - drawn.width() - 1; ++y) {
    const QRgb pixel = drawn.pixel(x, y);
    ASSERT_TRUE(pixel == groove.rgb() || pixel == handle.rgb())
        << "row " << y << ": " << QColor(pixel).name().toStdString();
    (pixel == groove.rgb() ? grooveRows : handleRows) += 1;
  }
  EXPECT_GT(grooveRows, 0);
  EXPECT_GT(handleRows, 0);
}

}  // namespace
