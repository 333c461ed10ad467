// Prints how the PDF view (PdfView, the viewer module alone) does with long
// documents, driven offscreen:
//   (a) from the PDF's bytes in memory to page 1 painted at 100 dots per
//       inch: opening the document, making the view, showing it, until the
//       paint that draws the whole page (the view is as large as the page,
//       so it draws the same area as the others) -- against MuPDF's own
//       `mutool draw -r 100` of that page (its in-process time, as `-s t`
//       reports it, without the process start; target: within 1.2x) and
//       against `pdftoppm -f 1 -l 1 -r 100` (poppler-utils, the whole
//       process; target: faster). The steps of the view's runs are timed
//       too, to show where the time goes. For a generated 300-page document
//       and for each PDF named on the command line;
//   (b) scrolling through every page in single-page continuous mode, one
//       screen at a time, each screen painted complete before the next:
//       peak memory (ru_maxrss), the most the page cache held, the tile
//       memory kept for reuse (PdfTileBuffers.h), and how long
//       each event on the user-interface thread took (wall time, and the
//       thread's own processor time: on a busy machine the wall time
//       includes the time other programs held the processor), as the
//       median, 99th percentile and longest.
// The machine's load average is printed first: the figures mean little
// without it.
// Usage: folian_viewer_bench [pages] [PDF...]   (default 300 pages)
// Real multi-hundred-page PDFs can be made from the ones Debian installs:
//   qpdf --empty --pages $(for i in $(seq 10); do echo /usr/share/doc/libtasn1-doc/libtasn1.pdf; done) -- tasn-360.pdf

#include <sys/resource.h>
#include <time.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "pdfview/PdfDocument.h"
#include "pdfview/PdfTileBuffers.h"
#include "pdfview/PdfView.h"

namespace {

// Runs of each measurement. The machine is shared: besides the median, the
// best run shows the time without other programs' interruptions.
constexpr int kRepeats = 15;
// The resolution page 1 is drawn at, by the view and by the others.
constexpr double kDpi = 100;

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

long PeakRssKb() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

QString LoadAverage() {
  QFile file(QStringLiteral("/proc/loadavg"));
  if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("unknown");
  return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

// The value below which `fraction` of `values` lie.
double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  const size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()));
  return values[index];
}

// Milliseconds of a measurement's runs; -1 when it failed.
struct Timing {
  double median = -1;
  double best = -1;
};

Timing Summarize(const std::vector<double>& ms) {
  if (ms.empty()) return {};
  return {Percentile(ms, 0.5), *std::min_element(ms.begin(), ms.end())};
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

// MuPDF's own time for drawing page 1 of `pdfPath` at kDpi, as
// `mutool draw -s t` reports it.
Timing MutoolDrawMs(const QString& pdfPath) {
  std::vector<double> ms;
  for (int run = 0; run < kRepeats; ++run) {
    QProcess process;
    process.start(QStringLiteral("mutool"), {QStringLiteral("draw"), QStringLiteral("-s"), QStringLiteral("t"),
                                             QStringLiteral("-r"), QString::number(kDpi), QStringLiteral("-F"),
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

// The times (milliseconds from the start) at which each step of opening
// the view ended, over the runs.
struct OpeningSteps {
  std::vector<double> opened, made, documentSet, shown, painted;
};

// From `pdf`'s bytes to page 1 painted whole at kDpi in a new view; the
// milliseconds it took (the steps go to `steps`). The view stays open in `view`.
double OpenView(const QByteArray& pdf, std::unique_ptr<PdfDocument>* document, std::unique_ptr<PdfView>* view,
                OpeningSteps* steps) {
  view->reset();
  document->reset();
  QElapsedTimer timer;
  timer.start();
  *document = PdfDocument::Open(pdf).document;
  steps->opened.push_back(timer.nsecsElapsed() / 1e6);
  *view = std::make_unique<PdfView>();
  PdfView* shown = view->get();
  bool painted = false;
  const QMetaObject::Connection watch =
      QObject::connect(shown, &PdfView::visiblePagesPainted, [&] { painted = true; });
  shown->setScaleFactor(kDpi / shown->logicalDpiX());
  // Large enough for the whole page 1 and its margins.
  const QSizeF points = (*document)->pageSize(0);
  shown->resize((points * kDpi / 72.0).toSize() + QSize(60, 60));
  steps->made.push_back(timer.nsecsElapsed() / 1e6);
  shown->setDocument(document->get());
  steps->documentSet.push_back(timer.nsecsElapsed() / 1e6);
  shown->show();
  steps->shown.push_back(timer.nsecsElapsed() / 1e6);
  const bool paintedInTime = Serve([&] { return painted; });
  QObject::disconnect(watch);
  if (!paintedInTime) {
    fprintf(stderr, "page 1 was never painted\n");
    exit(1);
  }
  const double ms = timer.nsecsElapsed() / 1e6;
  steps->painted.push_back(ms);
  const QRect page = shown->pageLayout().pageRect(0);
  if (!QRect(QPoint(shown->horizontalScrollBar()->value(), shown->verticalScrollBar()->value()),
             shown->viewport()->size())
           .contains(page)) {
    fprintf(stderr, "page 1 (%dx%d px) is not wholly in view\n", page.width(), page.height());
    exit(1);
  }
  return ms;
}

// (a) for one document in `pdfPath`: prints the view's first-page times
// against mutool and pdftoppm. `dir` takes pdftoppm's output.
void MeasureFirstPage(const QString& name, const QByteArray& pdf, const QString& pdfPath, const QDir& dir) {
  std::unique_ptr<PdfDocument> document;
  std::unique_ptr<PdfView> view;
  OpeningSteps steps;
  std::vector<double> viewMs;
  for (int run = 0; run < kRepeats; ++run) viewMs.push_back(OpenView(pdf, &document, &view, &steps));
  const QRect page = view->pageLayout().pageRect(0);
  const int pages = document->pageCount();
  view.reset();
  document.reset();
  const Timing viewer = Summarize(viewMs);
  // The engine alone, as mutool works: open the bytes and draw page 1 whole.
  std::vector<double> engineMs;
  for (int run = 0; run < kRepeats; ++run) {
    QElapsedTimer timer;
    timer.start();
    const std::unique_ptr<PdfDocument> alone = PdfDocument::Open(pdf).document;
    const QSize size = (alone->pageSize(0) * kDpi / 72.0).toSize();
    alone->render(0, size, QRect(QPoint(0, 0), size));
    engineMs.push_back(timer.nsecsElapsed() / 1e6);
  }
  const Timing engine = Summarize(engineMs);
  const Timing mutool = MutoolDrawMs(pdfPath);
  const Timing poppler = ProcessMs(QStringLiteral("pdftoppm"),
                                   {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                    QStringLiteral("-r"), QString::number(kDpi), pdfPath,
                                    dir.filePath(QStringLiteral("page"))});
  printf("(a) %s: %d pages, %.1f MB; milliseconds, median (best) of %d runs; load average %s\n", qPrintable(name),
         pages, pdf.size() / 1048576.0, kRepeats, qPrintable(LoadAverage()));
  printf("    the view, from the bytes to page 1 painted at %.0f dpi (%dx%d px): %.1f (%.1f)\n", kDpi, page.width(),
         page.height(), viewer.median, viewer.best);
  printf("      steps, median ms from the start: document opened %.1f, view made %.1f, document set %.1f, "
         "shown %.1f, painted %.1f\n",
         Percentile(steps.opened, 0.5), Percentile(steps.made, 0.5), Percentile(steps.documentSet, 0.5),
         Percentile(steps.shown, 0.5), Percentile(steps.painted, 0.5));
  printf("    mutool draw -r %.0f of page 1, in-process:  %.1f (%.1f) -> ratio %.2f (%.2f) (target <= 1.2)\n", kDpi,
         mutool.median, mutool.best, viewer.median / mutool.median, viewer.best / mutool.best);
  printf("    pdftoppm -r %.0f of page 1, whole process: %.1f (%.1f) -> ratio %.2f (%.2f) (target < 1.0)\n", kDpi,
         poppler.median, poppler.best, viewer.median / poppler.median, viewer.best / poppler.best);
  printf("    the engine alone, open and draw page 1 in-process: %.1f (%.1f) -> ratio to mutool %.2f (%.2f)\n",
         engine.median, engine.best, engine.median / mutool.median, engine.best / mutool.best);
}

// The CPU time of the calling thread, in milliseconds.
double ThreadCpuMs() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Milliseconds the calling thread has spent runnable but waiting for a
// processor (the kernel's scheduler statistics); -1 when they cannot be read.
double ThreadRunQueueMs() {
  FILE* file = fopen("/proc/thread-self/schedstat", "r");
  if (file == nullptr) return -1;
  unsigned long long running = 0, waiting = 0;
  const bool read = fscanf(file, "%llu %llu", &running, &waiting) == 2;
  fclose(file);
  return read ? waiting / 1e6 : -1;
}

// An application that times every event it hands out on its own thread (the
// outermost one of nested events): wall time, and the thread's CPU time
// (what the event itself cost, without the time other programs on the
// machine held the processor). The longest is named.
class TimingApplication : public QApplication {
 public:
  using QApplication::QApplication;

  // An event's wall time is its own processor time, the time it waited
  // for a processor held by other threads (preempted), and the time it was
  // blocked (on a lock, a file, ...): the rest.
  struct Event {
    double wallMs = 0;
    double cpuMs = 0;
    double preemptedMs = 0;
    QString what;
    double blockedMs() const { return std::max(0.0, wallMs - cpuMs - preemptedMs); }
  };

  bool notify(QObject* receiver, QEvent* event) override {
    if (!_timing || _depth > 0 || QThread::currentThread() != thread()) return QApplication::notify(receiver, event);
    const int type = event->type();
    const char* className = receiver->metaObject()->className();
    ++_depth;
    const double waitedBefore = ThreadRunQueueMs();
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = ThreadCpuMs();
    const bool handled = QApplication::notify(receiver, event);
    const double wallMs = wall.nsecsElapsed() / 1e6;
    const double cpuMs = ThreadCpuMs() - cpuBefore;
    const double preemptedMs = ThreadRunQueueMs() - waitedBefore;
    --_depth;
    record({wallMs, cpuMs, preemptedMs, QString()},
           [&] { return QStringLiteral("%1 to %2").arg(type).arg(QString::fromLatin1(className)); });
    return handled;
  }

  // Times what the caller does outside of events, as one event named `what`.
  template <typename Work>
  void timeWork(const QString& what, Work work) {
    const double waitedBefore = ThreadRunQueueMs();
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = ThreadCpuMs();
    work();
    const double wallMs = wall.nsecsElapsed() / 1e6;
    const double cpuMs = ThreadCpuMs() - cpuBefore;
    if (_timing) record({wallMs, cpuMs, ThreadRunQueueMs() - waitedBefore, QString()}, [&] { return what; });
  }

  void startTiming() {
    _timing = true;
    _events.clear();
    _byWall = Event();
  }
  void stopTiming() { _timing = false; }
  const std::vector<Event>& events() const { return _events; }
  const Event& longestByWall() const { return _byWall; }

 private:
  template <typename Name>
  void record(Event event, Name name) {
    if (event.wallMs > _byWall.wallMs) {
      _byWall = event;
      _byWall.what = name();
    }
    _events.push_back(std::move(event));
  }

  bool _timing = false;
  int _depth = 0;
  std::vector<Event> _events;  // without names
  Event _byWall;
};

// (b) Scrolls `view` (showing a document of `pages` pages) through every
// page, screen by screen, and prints the figures.
bool MeasureScrolling(TimingApplication* app, PdfView* view, int pages, long rssBefore) {
  view->setDisplayMode(kDisplaySinglePageContinuous);
  view->setAutoScales(true);
  QScrollBar* bar = view->verticalScrollBar();
  bar->setValue(0);
  qint64 cacheMost = 0;
  QElapsedTimer scrolling;
  scrolling.start();
  app->startTiming();
  int screens = 0;
  while (true) {
    if (!Serve([&] { return view->visiblePagesComplete(); })) return false;
    cacheMost = std::max(cacheMost, view->pageCache().bytes());
    if (bar->value() >= bar->maximum()) break;
    app->timeWork(QStringLiteral("the scroll bar moved"), [&] { bar->setValue(bar->value() + bar->pageStep()); });
    ++screens;
  }
  app->stopTiming();
  const double scrollMs = scrolling.nsecsElapsed() / 1e6;
  printf("(b) scrolled %d screens (%dx%d px pages) to page %d in %.0f ms (%.1f ms per page); load average %s\n",
         screens, view->pageLayout().pageRect(0).width(), view->pageLayout().pageRect(0).height(),
         view->currentPage() + 1, scrollMs, scrollMs / pages, qPrintable(LoadAverage()));
  printf("    page cache at most %.1f MB (limit %.1f MB); tile memory kept for reuse at the end: %d blocks "
         "(at most %d)\n",
         cacheMost / 1048576.0, PdfView::kDefaultCacheBytes / 1048576.0, PdfTileBuffersKept(), kPdfKeptTileBuffers);
  printf("    peak memory (ru_maxrss): %.1f MB; %.1f MB before opening the view\n", PeakRssKb() / 1024.0,
         rssBefore / 1024.0);
  std::vector<double> wall, cpu, preempted, blocked;
  for (const TimingApplication::Event& event : app->events()) {
    wall.push_back(event.wallMs);
    cpu.push_back(event.cpuMs);
    preempted.push_back(event.preemptedMs);
    blocked.push_back(event.blockedMs());
  }
  const size_t over = std::count_if(wall.begin(), wall.end(), [](double ms) { return ms > 16; });
  printf("    %zu events on the user-interface thread, ms p50 / p99 / longest; %zu over 16 ms wall:\n", wall.size(),
         over);
  const struct {
    const char* name;
    const std::vector<double>& ms;
  } parts[] = {{"wall", wall},
               {"its own processor time", cpu},
               {"waiting for a processor (preempted)", preempted},
               {"blocked (locks, files)", blocked}};
  for (const auto& part : parts)
    printf("      %-38s %6.2f / %6.2f / %6.2f\n", part.name, Percentile(part.ms, 0.5), Percentile(part.ms, 0.99),
           Percentile(part.ms, 1.0));
  const TimingApplication::Event& longest = app->longestByWall();
  printf("    the longest: %.2f ms wall = %.2f processor + %.2f preempted + %.2f blocked (event %s)\n",
         longest.wallMs, longest.cpuMs, longest.preemptedMs, longest.blockedMs(), qPrintable(longest.what));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TimingApplication app(argc, argv);
  const int pages = argc > 1 ? std::max(1, atoi(argv[1])) : 300;
  QTemporaryDir temporary;
  const QDir dir(temporary.path());
  const QString pdfPath = dir.filePath(QStringLiteral("generated.pdf"));

  const QByteArray pdf = MakeDocument(pages);
  QFile pdfFile(pdfPath);
  if (!pdfFile.open(QIODevice::WriteOnly) || pdfFile.write(pdf) != pdf.size()) {
    fprintf(stderr, "cannot write the test files\n");
    return 1;
  }
  pdfFile.close();
  const long rssBefore = PeakRssKb();

  // (a) The named documents first, then the generated one.
  for (int arg = 2; arg < argc; ++arg) {
    QFile file(QString::fromLocal8Bit(argv[arg]));
    if (!file.open(QIODevice::ReadOnly)) {
      fprintf(stderr, "cannot read %s: %s\n", argv[arg], qPrintable(file.errorString()));
      return 1;
    }
    const QByteArray bytes = file.readAll();
    if (PdfDocument::Open(bytes).document == nullptr) {
      fprintf(stderr, "%s does not open\n", argv[arg]);
      return 1;
    }
    MeasureFirstPage(QFileInfo(file).completeBaseName(), bytes, file.fileName(), dir);
  }
  MeasureFirstPage(QStringLiteral("generated"), pdf, pdfPath, dir);

  // (b) In a window-sized view on the generated document.
  const std::unique_ptr<PdfDocument> document = PdfDocument::Open(pdf).document;
  PdfView view;
  view.resize(900, 700);
  view.setDocument(document.get());
  view.show();
  if (!Serve([&] { return view.allPagesMeasured() && view.visiblePagesComplete(); }) ||
      !MeasureScrolling(&app, &view, pages, rssBefore)) {
    fprintf(stderr, "the view never showed its pages\n");
    return 1;
  }
  view.setDocument(nullptr);
  return 0;
}
