// The viewer over a corpus of odd and broken PDFs (PdfCorpus.h): each one
// opens or says why, is shown in the view within 10 seconds, and its first
// page is not blank where MuPDF's own mutool draws something.

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

#include "PdfCorpus.h"
#include "pdfview/PdfView.h"
#include "pdfview/PdfDocument.h"

namespace {

constexpr int kDpi = 12;  // small pictures: a 14400-point page is 2400 pixels

// Whether `image` has a pixel that is not white.
bool HasInk(const QImage& image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 250) return true;
  return false;
}

// Page 1 of `path` as `mutool draw` draws it at kDpi; null when it draws nothing.
QImage MutoolPage(const QString& path, const QString& out) {
  QProcess mutool;
  mutool.start(QStringLiteral("mutool"), {QStringLiteral("draw"), QStringLiteral("-q"), QStringLiteral("-r"),
                                          QString::number(kDpi), QStringLiteral("-o"), out, path, QStringLiteral("1")});
  if (!mutool.waitForFinished(30000) || mutool.exitCode() != 0) return QImage();
  return QImage(out);
}

TEST(PdfCorpusTest, OddAndBrokenPdfsOpenOrSayWhyAndAreNotBlankWhereMutoolDrawsThem) {
  const QVector<apptest::CorpusPdf> corpus = apptest::MakePdfCorpus();
  ASSERT_GE(corpus.size(), 100) << "qpdf (scripts/install-deps.sh) is needed for the corpus";
  QTemporaryDir dir;
  PdfView view;
  view.resize(300, 400);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  int opened = 0;
  int comparedWithMutool = 0;
  for (const apptest::CorpusPdf& file : corpus) {
    SCOPED_TRACE(file.name.toStdString());
    const QString path = dir.filePath(file.name + QStringLiteral(".pdf"));
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    ASSERT_EQ(out.write(file.bytes), file.bytes.size());
    out.close();

    QElapsedTimer timer;
    timer.start();
    const PdfOpenResult result = PdfDocument::Open(file.bytes);
    const QImage reference = MutoolPage(path, dir.filePath(QStringLiteral("mutool.png")));
    if (result.status != PdfOpenStatus::Opened) {
      EXPECT_EQ(result.status, PdfOpenStatus::Damaged);
      EXPECT_FALSE(result.reason.isEmpty());
      EXPECT_FALSE(HasInk(reference)) << "mutool draws what the viewer does not open";
      continue;
    }
    ++opened;
    view.setDocument(result.document.get());
    bool painted = false;
    while (!painted && timer.elapsed() < 10000) {
      view.viewport()->repaint();
      painted = view.visiblePagesComplete();
      if (!painted) QTest::qWait(5);
    }
    EXPECT_TRUE(painted) << "not shown within 10 s";
    if (HasInk(reference)) {
      ++comparedWithMutool;
      const QImage ours = result.document->render(0, reference.size(), QRect(QPoint(0, 0), reference.size()));
      EXPECT_TRUE(HasInk(ours)) << "blank where mutool draws";
    }
    view.setDocument(nullptr);
  }
  // The corpus is not all damage: most of it opens and shows something.
  EXPECT_GT(opened, int(corpus.size()) / 2);
  EXPECT_GT(comparedWithMutool, int(corpus.size()) / 2);
  printf("corpus: %d files, %d opened, %d compared with mutool\n", int(corpus.size()), opened, comparedWithMutool);
}

}  // namespace
