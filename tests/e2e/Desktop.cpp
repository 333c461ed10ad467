#include "Desktop.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <QThread>

namespace e2e {

namespace {

constexpr int kPollMs = 50;
constexpr int kToolTimeoutMs = 10000;

// "NAME(TYPE) = a, b, c" or, for window lists, "NAME(WINDOW): window id # a, b"
// from xprop, as numbers.
QList<long> PropertyNumbers(const QString& line) {
  QList<long> numbers;
  const int start = std::max(line.indexOf(QLatin1Char('=')), line.indexOf(QLatin1Char('#')));
  if (start < 0) return numbers;
  for (const QString& part : line.mid(start + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    bool ok = false;
    const long value = part.trimmed().toLong(&ok, 0);
    if (ok) numbers << value;
  }
  return numbers;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return condition();
    QThread::msleep(kPollMs);
  }
  return true;
}

Desktop::Desktop(QProcessEnvironment environment) : _environment(std::move(environment)) {}

QString Desktop::run(const QString& program, const QStringList& arguments, bool* ok) const {
  QProcess process;
  process.setProcessEnvironment(_environment);
  process.start(program, arguments);
  const bool finished = process.waitForFinished(kToolTimeoutMs);
  if (ok != nullptr) *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
  return QString::fromUtf8(process.readAllStandardOutput());
}

QList<qulonglong> Desktop::visibleWindows() const {
  // The manager's list holds the top-level windows it manages (menus and
  // tooltips are not managed, and not counted).
  const QString line = run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST")});
  QList<qulonglong> windows;
  for (const long id : PropertyNumbers(line)) windows << static_cast<qulonglong>(id);
  return windows;
}

QString Desktop::title(qulonglong window) const {
  return run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::number(window)}).trimmed();
}

QStringList Desktop::windowTitles() const {
  QStringList titles;
  for (const qulonglong window : visibleWindows()) {
    const QString state = run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window),
                                                        QStringLiteral("WM_STATE")});
    // Hidden windows stay in the list on some managers; state 1 is "normal".
    if (state.contains(QStringLiteral("Normal"))) titles << title(window);
  }
  return titles;
}

qulonglong Desktop::waitForWindow(const QString& titlePattern, int timeoutMs) const {
  const QRegularExpression pattern(QRegularExpression::anchoredPattern(titlePattern));
  qulonglong found = 0;
  WaitUntil(
      [&] {
        for (const qulonglong window : visibleWindows()) {
          const QString state = run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window),
                                                              QStringLiteral("WM_STATE")});
          if (state.contains(QStringLiteral("Normal")) && pattern.match(title(window)).hasMatch()) {
            found = window;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return found;
}

bool Desktop::waitForNoWindow(const QString& titlePattern, int timeoutMs) const {
  const QRegularExpression pattern(QRegularExpression::anchoredPattern(titlePattern));
  return WaitUntil(
      [&] {
        const QStringList titles = windowTitles();
        return std::none_of(titles.begin(), titles.end(),
                            [&](const QString& title) { return pattern.match(title).hasMatch(); });
      },
      timeoutMs);
}

QString Desktop::activeWindowTitle() const {
  bool ok = false;
  const QString id = run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}, &ok).trimmed();
  return ok ? title(id.toULongLong()) : QString();
}

bool Desktop::waitForActiveWindow(const QString& titlePattern, int timeoutMs) const {
  const QRegularExpression pattern(QRegularExpression::anchoredPattern(titlePattern));
  return WaitUntil([&] { return pattern.match(activeWindowTitle()).hasMatch(); }, timeoutMs);
}

QRect Desktop::clientGeometry(qulonglong window) const {
  // xwininfo's absolute corner (xdotool counts a reparenting manager's frame
  // offset twice).
  const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)});
  const auto value = [&info](const char* label) {
    const int at = info.indexOf(QLatin1String(label));
    return at < 0 ? 0 : info.mid(at + static_cast<int>(qstrlen(label))).section(QLatin1Char('\n'), 0, 0).trimmed().toInt();
  };
  return QRect(value("Absolute upper-left X:"), value("Absolute upper-left Y:"), value("Width:"), value("Height:"));
}

QRect Desktop::outerGeometry(qulonglong window) const {
  const QList<long> extents = PropertyNumbers(run(
      QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window), QStringLiteral("_NET_FRAME_EXTENTS")}));
  const QRect inside = clientGeometry(window);
  if (extents.size() != 4) return inside;
  // left, right, top, bottom
  return inside.adjusted(-extents[0], -extents[2], extents[1], extents[3]);
}

QRect Desktop::workArea() const {
  const QList<long> area =
      PropertyNumbers(run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_WORKAREA")}));
  if (area.size() < 4) return QRect();
  return QRect(area[0], area[1], area[2], area[3]);
}

void Desktop::activate(qulonglong window) const {
  run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(window)});
}

void Desktop::click(QPoint at, int count) const {
  // (No --sync: it waits for a motion that never comes when the pointer is
  // there already.)
  run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                                  QStringLiteral("sleep"), QStringLiteral("0.05"), QStringLiteral("click"),
                                  QStringLiteral("--repeat"), QString::number(count), QStringLiteral("--delay"),
                                  QStringLiteral("80"), QStringLiteral("1")});
}

void Desktop::drag(QPoint from, QPoint to, int steps, int pauseMs) const {
  const QString pause = QString::number(pauseMs / 1000.0);
  QStringList script = {QStringLiteral("mousemove"), QString::number(from.x()), QString::number(from.y()),
                        QStringLiteral("sleep"), pause, QStringLiteral("mousedown"), QStringLiteral("1")};
  for (int i = 1; i <= steps; ++i) {
    const QPoint at = from + (to - from) * i / steps;
    script << QStringLiteral("sleep") << pause << QStringLiteral("mousemove") << QString::number(at.x())
           << QString::number(at.y());
  }
  script << QStringLiteral("sleep") << pause << QStringLiteral("mouseup") << QStringLiteral("1");
  run(QStringLiteral("xdotool"), script);
}

void Desktop::key(const QString& keys) const {
  run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
}

void Desktop::type(const QString& text) const {
  run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
}

QString Desktop::clipboardText() const {
  return run(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
}

QImage Desktop::screenshot() const {
  QProcess process;
  process.setProcessEnvironment(_environment);
  process.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")});
  process.waitForFinished(kToolTimeoutMs);
  QImage image;
  image.loadFromData(process.readAllStandardOutput(), "PNG");
  return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace e2e
