// The viewer's sidebar: the outline (tree, going to its pages, the current
// section highlighted) and the page thumbnails (rendered lazily, going to
// their pages, following the current page).

#include <QApplication>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

#include "PdfViewTestSupport.h"
#include "TestPdfFiles.h"
#include "pdfview/PdfView.h"
#include "pdfview/PdfOutlineView.h"
#include "pdfview/PdfSidebar.h"
#include "pdfview/PdfThumbnailView.h"

namespace {

using pdfviewtest::WaitUntil;

TEST(PdfOutlineViewTest, TreeOfDepthsAndTheCurrentSection) {
  PdfOutlineView outline;
  // Pages out of order and a level skipped, as damaged outlines have them.
  outline.setOutline({{"Front", 0, 0, {}},
                      {"One", 0, 2, {}},
                      {"One.a", 1, 3, {}},
                      {"One.a.i", 3, 3, {}},  // two levels deeper: right below One.a
                      {"Web", 0, -1, QStringLiteral("https://example.org")},
                      {"Two", 0, 6, {}},
                      {"Back to front", 0, 1, {}}});
  ASSERT_EQ(outline.topLevelItemCount(), 5);
  EXPECT_EQ(outline.topLevelItem(1)->child(0)->text(0), QStringLiteral("One.a"));
  EXPECT_EQ(outline.topLevelItem(1)->child(0)->child(0)->text(0), QStringLiteral("One.a.i"));
  const struct {
    int page;
    const char* highlighted;
  } cases[] = {{0, "Front"}, {1, "Back to front"}, {2, "One"},  {3, "One.a.i"},
               {5, "One.a.i"}, {6, "Two"},           {90, "Two"}, {-1, ""}};
  for (const auto& c : cases) {
    outline.highlightPage(c.page);
    EXPECT_EQ(outline.highlightedTitle(), QString::fromUtf8(c.highlighted)) << c.page;
  }
  outline.setOutline({{"Late", 0, 4, {}}});
  outline.highlightPage(2);
  EXPECT_EQ(outline.highlightedTitle(), QString());
}

class PdfSidebarTest : public ::testing::Test {
 protected:
  void show(const QByteArray& bytes) {
    pdf = PdfDocument::Open(bytes).document;
    ASSERT_NE(pdf, nullptr);
    view = std::make_unique<PdfView>();
    sidebar = std::make_unique<PdfSidebar>(view.get());
    view->resize(500, 600);
    sidebar->resize(180, 600);
    view->setDocument(pdf.get());
    view->show();
    sidebar->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sidebar.get()));
  }
  void TearDown() override {
    sidebar.reset();
    view.reset();
    pdf.reset();
  }
  std::unique_ptr<PdfDocument> pdf;
  std::unique_ptr<PdfView> view;
  std::unique_ptr<PdfSidebar> sidebar;
};

TEST_F(PdfSidebarTest, OutlineGoesToItsPagesAndFollowsTheView) {
  show(apptest::MakeLinkedPdf());
  PdfOutlineView* outline = sidebar->outline();
  EXPECT_EQ(outline->highlightedTitle(), QStringLiteral("Chapter One"));
  view->goToPage(2);
  EXPECT_EQ(outline->highlightedTitle(), QStringLiteral("Section 2.1"));
  view->goToPage(1);
  EXPECT_EQ(outline->highlightedTitle(), QStringLiteral("Chapter Two"));

  // A click on an item: its page, recorded in the history.
  QTreeWidgetItem* section = outline->topLevelItem(1)->child(0);
  const QRect row = outline->visualItemRect(section);
  ASSERT_FALSE(row.isEmpty());
  QTest::mouseClick(outline->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
  EXPECT_EQ(view->currentPage(), 2);
  view->goBack();
  EXPECT_EQ(view->currentPage(), 1);
  EXPECT_EQ(outline->highlightedTitle(), QStringLiteral("Chapter Two"));

  // Another document: its outline (none here).
  const std::unique_ptr<PdfDocument> other = PdfDocument::Open(apptest::MakeNumberedPdf(2)).document;
  view->setDocument(other.get());
  EXPECT_EQ(outline->topLevelItemCount(), 0);
}

TEST(PdfSidebarHiddenTest, AHiddenSidebarReadsNothingUntilShown) {
  const std::unique_ptr<PdfDocument> pdf = PdfDocument::Open(apptest::MakeLinkedPdf()).document;
  ASSERT_NE(pdf, nullptr);
  PdfView view;
  PdfSidebar sidebar(&view);
  view.setDocument(pdf.get());
  view.goToPage(2);
  EXPECT_EQ(sidebar.outline()->topLevelItemCount(), 0);
  EXPECT_EQ(sidebar.thumbnails()->count(), 0);
  sidebar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&sidebar));
  EXPECT_EQ(sidebar.outline()->topLevelItemCount(), 2);
  EXPECT_EQ(sidebar.thumbnails()->count(), 3);
  EXPECT_EQ(sidebar.outline()->highlightedTitle(), QStringLiteral("Section 2.1"));
  EXPECT_EQ(sidebar.thumbnails()->currentRow(), 2);
  // Hidden again, another document: the old one's panels are emptied.
  sidebar.hide();
  const std::unique_ptr<PdfDocument> other = PdfDocument::Open(apptest::MakeNumberedPdf(5)).document;
  view.setDocument(other.get());
  EXPECT_EQ(sidebar.outline()->topLevelItemCount(), 0);
  EXPECT_EQ(sidebar.thumbnails()->count(), 0);
  sidebar.show();
  EXPECT_EQ(sidebar.thumbnails()->count(), 5);
  view.setDocument(nullptr);
}

TEST_F(PdfSidebarTest, ThumbnailsRenderOnlyWhatIsShownAndGoToTheirPages) {
  show(apptest::MakeNumberedPdf(40));
  sidebar->setCurrentIndex(PdfSidebar::kThumbnailPanel);
  PdfThumbnailView* thumbnails = sidebar->thumbnails();
  ASSERT_EQ(thumbnails->count(), 40);
  ASSERT_TRUE(WaitUntil([&] { return thumbnails->thumbnail(0) != nullptr; }));
  // The first page's picture has ink (its text) on white.
  const QImage first = *thumbnails->thumbnail(0);
  EXPECT_EQ(first.width(), PdfThumbnailView::kThumbnailWidth * int(thumbnails->devicePixelRatioF()));
  int dark = 0;
  for (int y = 0; y < first.height(); ++y)
    for (int x = 0; x < first.width(); ++x) dark += qGray(first.pixel(x, y)) < 160;
  EXPECT_GT(dark, 5);
  EXPECT_EQ(qGray(first.pixel(first.width() - 2, first.height() - 2)), 255);
  // Only the rows on screen were rendered.
  QTest::qWait(100);
  EXPECT_EQ(thumbnails->thumbnail(39), nullptr);
  EXPECT_LT(thumbnails->cache().count(), 10);

  // The view's page is highlighted and scrolled to; its picture follows.
  view->goToPage(39);
  EXPECT_EQ(thumbnails->currentRow(), 39);
  ASSERT_TRUE(WaitUntil([&] { return thumbnails->thumbnail(39) != nullptr; }));

  // A click on a row shows its page.
  thumbnails->scrollToTop();
  const QRect row = thumbnails->visualItemRect(thumbnails->item(1));
  QTest::mouseClick(thumbnails->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
  EXPECT_EQ(view->currentPage(), 1);
  EXPECT_TRUE(view->canGoBack());
}

// The strip is scrolled to the view's page when it first shows, as the
// viewer window opens it beside the page (in a splitter, hidden until the
// user asks): opened on its tab with the view on a later page, or turned to
// its tab afterwards, on pages of another size than the rows were first
// laid out for (US letter). The current row is on screen, not left at the top.
TEST(PdfSidebarShownLateTest, TheThumbnailStripShowsTheCurrentPageWhenItOpens) {
  QVector<QSizeF> letter(30, QSizeF(612, 792));
  const std::unique_ptr<PdfDocument> pdf = PdfDocument::Open(apptest::MakePdfOfPageSizes(letter)).document;
  ASSERT_NE(pdf, nullptr);
  for (const bool byTab : {false, true}) {
    SCOPED_TRACE(byTab ? "turned to the thumbnails' tab" : "opened on the thumbnails' tab");
    QSplitter window;
    auto* view = new PdfView;
    auto* sidebar = new PdfSidebar(view);
    window.addWidget(sidebar);
    window.addWidget(view);
    sidebar->hide();
    window.resize(700, 600);
    view->setDocument(pdf.get());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    if (!byTab) sidebar->setCurrentIndex(PdfSidebar::kThumbnailPanel);
    view->goToPage(9);
    ASSERT_EQ(view->currentPage(), 9);
    sidebar->show();
    if (byTab) {
      QTest::qWait(20);
      sidebar->setCurrentIndex(PdfSidebar::kThumbnailPanel);
    }
    PdfThumbnailView* strip = sidebar->thumbnails();
    EXPECT_EQ(strip->currentRow(), 9);
    const auto rowOnScreen = [&] {
      return strip->viewport()->rect().contains(strip->visualItemRect(strip->item(9)));
    };
    EXPECT_TRUE(WaitUntil(rowOnScreen)) << "scrolled to " << strip->verticalScrollBar()->value();
    EXPECT_GT(strip->verticalScrollBar()->value(), 0);
    // The page's picture is the one asked for, not only the first rows'.
    EXPECT_TRUE(WaitUntil([&] { return strip->thumbnail(9) != nullptr; }));
    // Once shown, the strip is the user's to scroll: it stays where put.
    strip->scrollToTop();
    QTest::qWait(50);
    EXPECT_EQ(strip->verticalScrollBar()->value(), 0);
  }
}

}  // namespace
