// Prints how the PDF viewer does with a long document, driven offscreen:
//   (a) opening the viewer on a stored 300-page PDF (reading its bytes from
//       the library file, building the window, loading the document) until
//       the first page is painted, against `pdftoppm -f 1 -l 1 -r 100` of
//       the same file (poppler-utils) -- target: within 2x of it;
//   (b) scrolling through every page in single-page continuous mode, one
//       screen at a time, each screen painted complete before the next:
//       peak memory (ru_maxrss), the most the page cache held, and the
//       longest time the user-interface thread was busy at a stretch (the
//       window answers within that time; pages render on a worker thread).
// Usage: folian_viewer_bench [pages]   (default 300)

#include <sys/resource.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "pdfview/MyPDFView.h"
#include "app/ViewPDFDlg.h"
#include "library/FlnAttachment.h"
#include "library/FlnIdCounter.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "library/FlnSave.h"
#include "storage/Endian.h"
#include "transfer/ImportAppendSession.h"

namespace {

constexpr int kRepeats = 5;

// A text-heavy document: a heading, forty lines of text and a few shapes per page.
QByteArray MakeDocument(int pages) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setResolution(72);
  QPainter painter(&writer);
  QFont heading(QStringLiteral("DejaVu Sans"));
  heading.setPointSize(20);
  QFont body(QStringLiteral("DejaVu Serif"));
  body.setPointSize(10);
  for (int page = 1; page <= pages; ++page) {
    if (page > 1) writer.newPage();
    painter.setFont(heading);
    painter.drawText(QPointF(56, 80), QStringLiteral("Chapter %1 — page %1 of %2").arg(page).arg(pages));
    painter.setFont(body);
    for (int line = 0; line < 40; ++line)
      painter.drawText(QPointF(56, 120 + 16 * line),
                       QStringLiteral("Line %1: the quick brown fox jumps over the lazy dog, again and again (%2).")
                           .arg(line + 1)
                           .arg(page));
    painter.drawRect(QRectF(56, 780, 480, 30));
    painter.drawEllipse(QRectF(400, 40, 120, 50));
  }
  painter.end();
  return bytes;
}

// A library holding one entry whose attachment is `pdf`; its en_id and dataIndex.
bool WriteLibrary(const char* path, const QByteArray& pdf, FLN_ENTRY* entryOut, int32_t* dataIndex) {
  if (!CreateNewLibraryFile(path).ok()) return false;
  FLN_DATA data;
  if (!ReadFlnDataFromFlnFile(path, &data).ok()) return false;
  {
    ImportAppendSession session(&data);
    if (!session.open() || session.store(pdf, dataIndex) != 0) {
      FreeFlnData(&data);
      return false;
    }
  }
  FLN_ENTRY entry;
  memset(&entry, 0, sizeof entry);
  const int32_t enId = GetIdFromIdCounter(data.idCounter, kTagEntry, "en_id");
  entry.en_id = ZEL_EndianLong_NtoL(enId);
  FLN_ATTACHMENT attachment;
  memset(&attachment, 0, sizeof attachment);
  attachment.at_id = ZEL_EndianLong_NtoL(GetIdFromIdCounter(data.idCounter, kTagAttachment, "at_id"));
  attachment.en_id = entry.en_id;
  attachment.dataIndex = ZEL_EndianLong_NtoL(*dataIndex);
  const bool ok = Tesk_Ary_Add(data.entry, &entry) == 0 && Tesk_Ary_Add(data.attachment, &attachment) == 0 &&
                  SaveAll(path, &data) == 1;
  *entryOut = entry;
  FreeFlnData(&data);
  return ok;
}

// Scale factor 1.0 is the screen's logical resolution.
double viewer_dpi() {
  QWidget probe;
  return probe.logicalDpiX();
}

long PeakRssKb() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Waits (serving events) until `done`; false after 30 s.
template <typename Done>
bool Serve(Done done) {
  QElapsedTimer waited;
  waited.start();
  while (!done()) {
    if (waited.elapsed() > 30000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int pages = argc > 1 ? std::max(1, atoi(argv[1])) : 300;
  QTemporaryDir dir;
  const QByteArray libraryPath = dir.filePath(QStringLiteral("viewer.fln")).toUtf8();
  const QString pdfPath = dir.filePath(QStringLiteral("document.pdf"));

  const QByteArray pdf = MakeDocument(pages);
  QFile pdfFile(pdfPath);
  FLN_ENTRY entry;
  int32_t dataIndex = -1;
  if (!pdfFile.open(QIODevice::WriteOnly) || pdfFile.write(pdf) != pdf.size() ||
      !WriteLibrary(libraryPath.constData(), pdf, &entry, &dataIndex)) {
    fprintf(stderr, "cannot write the test files\n");
    return 1;
  }
  pdfFile.close();
  printf("document: %d pages, %.1f MB\n", pages, pdf.size() / 1048576.0);

  FLN_DATA data;
  if (!ReadFlnDataFromFlnFile(libraryPath.constData(), &data).ok()) return 1;
  const long rssBefore = PeakRssKb();

  // (a) Opening until the first page is painted: as the viewer opens (the
  // page scaled to fit the window), and at the scale of 100 dots per inch.
  ViewPDFDlg* viewer = nullptr;
  auto openViewer = [&](double scale) {
    if (viewer != nullptr) {
      viewer->close();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QElapsedTimer timer;
    timer.start();
    viewer = new ViewPDFDlg;
    bool painted = false;
    const QMetaObject::Connection watch =
        QObject::connect(viewer->pdfView(), &MyPDFView::visiblePagesPainted, [&] { painted = true; });
    if (scale > 0) viewer->pdfView()->setScaleFactor(scale);
    viewer->setFlnEntry(entry, &data);
    viewer->showPDFByNSData(ReadPDFData_ByFLNFile(dataIndex, libraryPath.constData()));
    viewer->show();
    const bool shown = Serve([&] { return painted && viewer->pdfView()->pageCount() == pages; });
    const double ms = timer.nsecsElapsed() / 1e6;
    QObject::disconnect(watch);
    if (!shown) {
      fprintf(stderr, "the first page was never painted\n");
      exit(1);
    }
    return ms;
  };
  std::vector<double> openMs;
  std::vector<double> open100Ms;
  for (int run = 0; run < kRepeats; ++run) {
    open100Ms.push_back(openViewer(100.0 / viewer_dpi()));
  }
  const QRect page100 = viewer->pdfView()->pageLayout().pageRect(0);
  for (int run = 0; run < kRepeats; ++run) openMs.push_back(openViewer(0));
  const QRect firstPage = viewer->pdfView()->pageLayout().pageRect(0);

  std::vector<double> popplerMs;
  for (int run = 0; run < kRepeats; ++run) {
    QElapsedTimer timer;
    timer.start();
    const int status = QProcess::execute(QStringLiteral("pdftoppm"),
                                         {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                          QStringLiteral("1"), QStringLiteral("-r"), QStringLiteral("100"), pdfPath,
                                          dir.filePath(QStringLiteral("page"))});
    if (status != 0) {
      fprintf(stderr, "pdftoppm failed (%d); is poppler-utils installed?\n", status);
      return 1;
    }
    popplerMs.push_back(timer.nsecsElapsed() / 1e6);
  }
  const double open = Median(openMs);
  const double open100 = Median(open100Ms);
  const double poppler = Median(popplerMs);
  printf("(a) pdftoppm -f 1 -l 1 -r 100 (827x1169 px): %.1f ms (median of %d)\n", poppler, kRepeats);
  printf("    open viewer until page 1 is painted, page fitted (%dx%d px): %.1f ms -> ratio %.2f (target <= 2.0)\n",
         firstPage.width(), firstPage.height(), open, open / poppler);
  printf("    the same at 100 dpi (%dx%d px page):                         %.1f ms -> ratio %.2f\n", page100.width(),
         page100.height(), open100, open100 / poppler);

  // (b) Scrolling through every page in single-page continuous mode.
  MyPDFView* view = viewer->pdfView();
  view->setDisplayMode(kDisplaySinglePageContinuous);
  QScrollBar* bar = view->verticalScrollBar();
  bar->setValue(0);
  QElapsedTimer tick;
  qint64 longestStall = 0;
  QTimer heartbeat;
  heartbeat.setInterval(1);
  QObject::connect(&heartbeat, &QTimer::timeout, [&] {
    longestStall = std::max(longestStall, tick.restart());
  });
  qint64 cacheMost = 0;
  QElapsedTimer scrolling;
  scrolling.start();
  tick.start();
  heartbeat.start();
  int screens = 0;
  while (true) {
    if (!Serve([&] {
          view->viewport()->update();
          return view->visiblePagesComplete();
        }))
      return 1;
    cacheMost = std::max(cacheMost, view->pageCache().bytes());
    if (bar->value() >= bar->maximum()) break;
    bar->setValue(bar->value() + bar->pageStep());
    ++screens;
  }
  heartbeat.stop();
  const double scrollMs = scrolling.nsecsElapsed() / 1e6;
  printf("(b) scrolled %d screens (%dx%d px pages) to page %d in %.0f ms (%.1f ms per page)\n", screens,
         view->pageLayout().pageRect(0).width(), view->pageLayout().pageRect(0).height(), view->currentPage() + 1,
         scrollMs, scrollMs / pages);
  printf("    page cache at most %.1f MB (limit %.1f MB)\n", cacheMost / 1048576.0,
         MyPDFView::kDefaultCacheBytes / 1048576.0);
  printf("    peak memory (ru_maxrss): %.1f MB; %.1f MB before opening the viewer\n", PeakRssKb() / 1024.0,
         rssBefore / 1024.0);
  printf("    longest busy stretch of the user-interface thread: %lld ms\n", static_cast<long long>(longestStall));

  viewer->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  FreeFlnData(&data);
  return 0;
}
