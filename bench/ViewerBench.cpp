// Prints how the PDF viewer does with long documents, driven offscreen:
//   (a) opening the viewer on a stored PDF (reading its bytes from the
//       library file, building the window, opening the document) until the
//       first page is painted at 100 dots per inch, against MuPDF's own
//       `mutool draw -r 100` of that page (its in-process time, as `-s t`
//       reports it, without the process start) -- target: within 1.2x -- and
//       against `pdftoppm -f 1 -l 1 -r 100` (poppler-utils, the whole
//       process) -- target: faster. For a generated 300-page document and
//       for each PDF named on the command line;
//   (b) scrolling through every page in single-page continuous mode, one
//       screen at a time, each screen painted complete before the next:
//       peak memory (ru_maxrss), the most the page cache held, and the
//       longest time the user-interface thread was busy at a stretch (the
//       window answers within that time; pages render on a worker thread):
//       the longest gap between its heartbeats, and its longest single event
//       by wall time and by its own processor time (on a busy machine the
//       wall time includes the time other programs held the processor).
// Usage: folian_viewer_bench [pages] [PDF...]   (default 300 pages)
// Real multi-hundred-page PDFs can be made from the ones Debian installs:
//   qpdf --empty --pages $(for i in $(seq 10); do echo /usr/share/doc/libtasn1-doc/libtasn1.pdf; done) -- tasn-360.pdf

#include <sys/resource.h>
#include <time.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QDir>
#include <QFileInfo>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "pdfview/PdfView.h"
#include "pdfview/PdfDocument.h"
#include "gui/viewer/ViewPDFDlg.h"
#include "library/FlnAttachment.h"
#include "library/FlnIdCounter.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "transfer/ImportAppendSession.h"

namespace {

// Runs of each measurement. The machine is shared: besides the median, the
// best run shows the time without other programs' interruptions.
constexpr int kRepeats = 9;

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

// Milliseconds of a measurement's runs; -1 when it failed.
struct Timing {
  double median = -1;
  double best = -1;
};

Timing Summarize(const std::vector<double>& ms) {
  if (ms.empty()) return {};
  return {Median(ms), *std::min_element(ms.begin(), ms.end())};
}

// Waits (serving events, sleeping between them as an application does)
// until `done`; false after 30 s.
template <typename Done>
bool Serve(Done done) {
  QElapsedTimer waited;
  waited.start();
  QTimer wake;  // looks at the time now and then while nothing happens
  wake.start(50);
  while (!done()) {
    if (waited.elapsed() > 30000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// The process time of `program arguments`.
Timing ProcessMs(const QString& program, const QStringList& arguments) {
  std::vector<double> ms;
  for (int run = 0; run < kRepeats; ++run) {
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
    ms.push_back(timer.nsecsElapsed() / 1e6);
  }
  return Summarize(ms);
}

// MuPDF's own time for drawing page 1 of `pdfPath` at 100 dpi, as
// `mutool draw -s t` reports it.
Timing MutoolDrawMs(const QString& pdfPath) {
  std::vector<double> ms;
  for (int run = 0; run < kRepeats; ++run) {
    QProcess process;
    process.start(QStringLiteral("mutool"), {QStringLiteral("draw"), QStringLiteral("-s"), QStringLiteral("t"),
                                             QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-F"),
                                             QStringLiteral("pam"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                                             pdfPath, QStringLiteral("1")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
    // "page FILE 1 57ms" (older versions) or "total 57ms ..." (newer ones).
    const QString out = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    const QRegularExpressionMatch found = QRegularExpression(QStringLiteral("total (\\d+)ms")).match(out);
    if (!found.hasMatch()) return {};
    ms.push_back(found.captured(1).toDouble());
  }
  return Summarize(ms);
}

struct Opened {
  ViewPDFDlg* viewer = nullptr;
  FLN_DATA data;
  QByteArray libraryPath;
  FLN_ENTRY entry;
  int32_t dataIndex = -1;
};

// Where the time of opening a viewer goes, in milliseconds from the start.
struct OpeningSteps {
  std::vector<double> built, read, loaded, shown;
};

// Opens a viewer on the stored PDF at `scale` (0: fitted) and serves events
// until its first page is painted; the milliseconds it took. `steps` (when
// given) gets the times at which each step ended.
double OpenViewer(Opened* opened, double scale, int pages, OpeningSteps* steps = nullptr) {
  if (opened->viewer != nullptr) {
    opened->viewer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  QElapsedTimer timer;
  timer.start();
  ViewPDFDlg* viewer = opened->viewer = new ViewPDFDlg;
  bool painted = false;
  const QMetaObject::Connection watch =
      QObject::connect(viewer->pdfView(), &PdfView::visiblePagesPainted, [&] { painted = true; });
  if (scale > 0) viewer->pdfView()->setScaleFactor(scale);
  viewer->setFlnEntry(opened->entry, &opened->data);
  const double built = timer.nsecsElapsed() / 1e6;
  const QByteArray bytes = ReadPDFData_ByFLNFile(opened->dataIndex, opened->libraryPath.constData());
  const double read = timer.nsecsElapsed() / 1e6;
  viewer->showPdfBytes(bytes);
  const double loaded = timer.nsecsElapsed() / 1e6;
  viewer->show();
  const double shownAt = timer.nsecsElapsed() / 1e6;
  const bool shown = Serve([&] { return painted && viewer->pdfView()->pageCount() == pages; });
  const double ms = timer.nsecsElapsed() / 1e6;
  if (steps != nullptr) {
    steps->built.push_back(built);
    steps->read.push_back(read);
    steps->loaded.push_back(loaded);
    steps->shown.push_back(shownAt);
  }
  QObject::disconnect(watch);
  if (!shown) {
    fprintf(stderr, "the first page was never painted\n");
    exit(1);
  }
  return ms;
}

// (a) for one document: stores it in a library of its own in `dir`, then
// prints the viewer's first-page times against mutool and pdftoppm.
void MeasureFirstPage(const QString& name, const QByteArray& pdf, const QString& pdfPath, int pages, const QDir& dir,
                      Opened* opened) {
  opened->libraryPath = dir.filePath(name + QStringLiteral(".fln")).toUtf8();
  if (!WriteLibrary(opened->libraryPath.constData(), pdf, &opened->entry, &opened->dataIndex) ||
      !ReadFlnDataFromFlnFile(opened->libraryPath.constData(), &opened->data).ok()) {
    fprintf(stderr, "cannot write the library for %s\n", qPrintable(name));
    exit(1);
  }
  std::vector<double> open100Ms;
  OpeningSteps steps;
  for (int run = 0; run < kRepeats; ++run)
    open100Ms.push_back(OpenViewer(opened, 100.0 / viewer_dpi(), pages, &steps));
  const QRect page100 = opened->viewer->pdfView()->pageLayout().pageRect(0);
  std::vector<double> fittedMs;
  for (int run = 0; run < kRepeats; ++run) fittedMs.push_back(OpenViewer(opened, 0, pages));
  const QRect fitted = opened->viewer->pdfView()->pageLayout().pageRect(0);
  const Timing open100 = Summarize(open100Ms);
  // The engine alone, as mutool works: open the bytes and draw page 1 whole.
  std::vector<double> engineMs;
  for (int run = 0; run < kRepeats; ++run) {
    QElapsedTimer timer;
    timer.start();
    const std::unique_ptr<PdfDocument> document = PdfDocument::Open(pdf).document;
    const QSize size = (document->pageSize(0) * 100.0 / 72.0).toSize();
    document->render(0, size, QRect(QPoint(0, 0), size));
    engineMs.push_back(timer.nsecsElapsed() / 1e6);
  }
  const Timing engine = Summarize(engineMs);
  const Timing mutool = MutoolDrawMs(pdfPath);
  const Timing poppler = ProcessMs(QStringLiteral("pdftoppm"),
                                   {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                    QStringLiteral("-r"), QStringLiteral("100"), pdfPath, dir.filePath(QStringLiteral("page"))});
  printf("(a) %s: %d pages, %.1f MB; milliseconds, median (best) of %d runs\n", qPrintable(name), pages,
         pdf.size() / 1048576.0, kRepeats);
  printf("    viewer open until page 1 is painted at 100 dpi (%dx%d px page): %.1f (%.1f)\n", page100.width(),
         page100.height(), open100.median, open100.best);
  printf("      (window built %.1f, PDF read from the library %.1f, opened %.1f, shown %.1f after the start)\n",
         Median(steps.built), Median(steps.read), Median(steps.loaded), Median(steps.shown));
  printf("    mutool draw -r 100 of page 1, in-process:  %.1f (%.1f) -> ratio %.2f (%.2f) (target <= 1.2)\n",
         mutool.median, mutool.best, open100.median / mutool.median, open100.best / mutool.best);
  printf("    pdftoppm -r 100 of page 1, whole process: %.1f (%.1f) -> ratio %.2f (%.2f) (target < 1.0)\n",
         poppler.median, poppler.best, open100.median / poppler.median, open100.best / poppler.best);
  const Timing fittedTiming = Summarize(fittedMs);
  printf("    the viewer with the page fitted to the window (%dx%d px): %.1f (%.1f)\n", fitted.width(),
         fitted.height(), fittedTiming.median, fittedTiming.best);
  printf("    the engine alone, open and draw page 1 at 100 dpi in-process: %.1f (%.1f) -> ratio to mutool %.2f\n",
         engine.median, engine.best, engine.median / mutool.median);
}

// The CPU time of the calling thread, in milliseconds.
double ThreadCpuMs() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// An application that times every event it hands out on its own thread (the
// outermost one of nested events), so that the longest ones can be named:
// wall time, and the thread's CPU time (what the event itself cost, without
// the time other programs on the machine held the processor).
class TimingApplication : public QApplication {
 public:
  using QApplication::QApplication;

  struct Longest {
    double wallMs = 0;
    double cpuMs = 0;
    QString what;
  };

  bool notify(QObject* receiver, QEvent* event) override {
    if (!_timing || _depth > 0 || QThread::currentThread() != thread()) return QApplication::notify(receiver, event);
    const int type = event->type();
    const QString what = QStringLiteral("%1 to %2").arg(type).arg(QString::fromLatin1(receiver->metaObject()->className()));
    ++_depth;
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = ThreadCpuMs();
    const bool handled = QApplication::notify(receiver, event);
    record(wall.nsecsElapsed() / 1e6, ThreadCpuMs() - cpuBefore, what);
    --_depth;
    return handled;
  }

  // Times what the caller does outside of events, as one event named `what`.
  template <typename Work>
  void timeWork(const QString& what, Work work) {
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = ThreadCpuMs();
    work();
    if (_timing) record(wall.nsecsElapsed() / 1e6, ThreadCpuMs() - cpuBefore, what);
  }

  void startTiming() {
    _timing = true;
    _byWall = _byCpu = Longest();
  }
  void stopTiming() { _timing = false; }
  const Longest& longestByWall() const { return _byWall; }
  const Longest& longestByCpu() const { return _byCpu; }

 private:
  void record(double wallMs, double cpuMs, const QString& what) {
    if (wallMs > _byWall.wallMs) _byWall = {wallMs, cpuMs, what};
    if (cpuMs > _byCpu.cpuMs) _byCpu = {wallMs, cpuMs, what};
  }

  bool _timing = false;
  int _depth = 0;
  Longest _byWall;
  Longest _byCpu;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TimingApplication app(argc, argv);
  const int pages = argc > 1 ? std::max(1, atoi(argv[1])) : 300;
  QTemporaryDir temporary;
  const QDir dir(temporary.path());
  const QString pdfPath = dir.filePath(QStringLiteral("document.pdf"));

  const QByteArray pdf = MakeDocument(pages);
  QFile pdfFile(pdfPath);
  if (!pdfFile.open(QIODevice::WriteOnly) || pdfFile.write(pdf) != pdf.size()) {
    fprintf(stderr, "cannot write the test files\n");
    return 1;
  }
  pdfFile.close();
  const long rssBefore = PeakRssKb();

  // (a) The named documents first, then the generated one, whose viewer
  // stays open for (b).
  for (int arg = 2; arg < argc; ++arg) {
    QFile file(QString::fromLocal8Bit(argv[arg]));
    if (!file.open(QIODevice::ReadOnly)) {
      fprintf(stderr, "cannot read %s: %s\n", argv[arg], qPrintable(file.errorString()));
      return 1;
    }
    const QByteArray bytes = file.readAll();
    const std::unique_ptr<PdfDocument> document = PdfDocument::Open(bytes).document;
    if (document == nullptr) {
      fprintf(stderr, "%s does not open\n", argv[arg]);
      return 1;
    }
    Opened opened;
    MeasureFirstPage(QFileInfo(file).completeBaseName(), bytes, file.fileName(), document->pageCount(), dir, &opened);
    opened.viewer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    FreeFlnData(&opened.data);
  }
  Opened opened;
  MeasureFirstPage(QStringLiteral("generated"), pdf, pdfPath, pages, dir, &opened);
  ViewPDFDlg* viewer = opened.viewer;

  // (b) Scrolling through every page in single-page continuous mode.
  PdfView* view = viewer->pdfView();
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
  app.startTiming();
  int screens = 0;
  while (true) {
    if (!Serve([&] {
          view->viewport()->update();
          return view->visiblePagesComplete();
        }))
      return 1;
    cacheMost = std::max(cacheMost, view->pageCache().bytes());
    if (bar->value() >= bar->maximum()) break;
    app.timeWork(QStringLiteral("the scroll bar moved"), [&] { bar->setValue(bar->value() + bar->pageStep()); });
    ++screens;
  }
  app.stopTiming();
  heartbeat.stop();
  const double scrollMs = scrolling.nsecsElapsed() / 1e6;
  printf("(b) scrolled %d screens (%dx%d px pages) to page %d in %.0f ms (%.1f ms per page)\n", screens,
         view->pageLayout().pageRect(0).width(), view->pageLayout().pageRect(0).height(), view->currentPage() + 1,
         scrollMs, scrollMs / pages);
  printf("    page cache at most %.1f MB (limit %.1f MB)\n", cacheMost / 1048576.0,
         PdfView::kDefaultCacheBytes / 1048576.0);
  printf("    peak memory (ru_maxrss): %.1f MB; %.1f MB before opening the viewer\n", PeakRssKb() / 1024.0,
         rssBefore / 1024.0);
  printf("    longest gap between the user-interface thread's 1 ms heartbeats: %lld ms\n",
         static_cast<long long>(longestStall));
  const TimingApplication::Longest& byWall = app.longestByWall();
  const TimingApplication::Longest& byCpu = app.longestByCpu();
  printf("    longest event on that thread: %.1f ms (%.1f ms of its processor time; event %s)\n", byWall.wallMs,
         byWall.cpuMs, qPrintable(byWall.what));
  printf("    most processor time in one event: %.1f ms (%.1f ms wall; event %s)\n", byCpu.cpuMs, byCpu.wallMs,
         qPrintable(byCpu.what));

  viewer->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  FreeFlnData(&opened.data);
  return 0;
}
