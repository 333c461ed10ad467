#include "X11Session.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <csignal>

namespace e2e {

namespace {

constexpr int kStartTimeoutMs = 10000;
// openbox takes the screen in well under a second when the machine is idle,
// but beside the suite's forking kill tests it can take many seconds.
constexpr int kWindowManagerTimeoutMs = 20000;
// Now and then openbox never takes a fresh display and prints nothing, even
// on an idle machine, while a new server with a new openbox starts at once.
constexpr int kAttempts = 3;

}  // namespace

X11Session::X11Session() {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt > 0) {
      stop(_windowManager.get());
      stop(_server.get());
    }
    _server = std::make_unique<QProcess>();
    _windowManager = std::make_unique<QProcess>();
    _display.clear();
    _error.clear();
    start();
    if (ok()) return;
  }
}

void X11Session::start() {
  // -displayfd 1: the server picks a free display number and writes it to
  // stdout once it accepts connections, so parallel tests never collide.
  _server->setProgram(QStringLiteral("Xvfb"));
  _server->setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                         QStringLiteral("0"), QStringLiteral("1920x1080x24"), QStringLiteral("-nolisten"),
                         QStringLiteral("tcp")});
  _server->start();
  if (!_server->waitForStarted(kStartTimeoutMs)) {
    _error = QStringLiteral("Xvfb did not start: ") + _server->errorString();
    return;
  }
  QByteArray number;
  const QDeadlineTimer deadline(kStartTimeoutMs);
  while (!number.contains('\n') && !deadline.hasExpired() && _server->state() == QProcess::Running) {
    _server->waitForReadyRead(100);
    number += _server->readAllStandardOutput();
  }
  if (!number.contains('\n')) {
    _error = QStringLiteral("Xvfb reported no display: ") + QString::fromLocal8Bit(_server->readAllStandardError());
    return;
  }
  _display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());

  QProcessEnvironment env = environment(QDir::tempPath());
  _windowManager->setProcessEnvironment(env);
  _windowManager->setProgram(QStringLiteral("openbox"));
  _windowManager->setArguments({QStringLiteral("--sm-disable")});
  _windowManager->start();
  if (!_windowManager->waitForStarted(kStartTimeoutMs)) {
    _error = QStringLiteral("openbox did not start: ") + _windowManager->errorString();
    return;
  }
  // The manager owns the screen once it has set the root's supporting-WM
  // property; wait for that rather than for a fixed time.
  const QDeadlineTimer managerDeadline(kWindowManagerTimeoutMs);
  while (!managerDeadline.hasExpired()) {
    if (_windowManager->state() != QProcess::Running) {
      _error = QStringLiteral("openbox ended before it took the screen: ") +
               QString::fromLocal8Bit(_windowManager->readAllStandardError());
      return;
    }
    QProcess probe;
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    probe.waitForFinished(kStartTimeoutMs);
    if (probe.readAllStandardOutput().contains("window id")) return;
    QThread::msleep(50);
  }
  // What openbox said is the only clue to why it never took the screen.
  _error = QStringLiteral("openbox did not take the screen within %1 s: ").arg(kWindowManagerTimeoutMs / 1000) +
           QString::fromLocal8Bit(_windowManager->readAllStandardError());
}

X11Session::~X11Session() {
  stop(_windowManager.get());
  stop(_server.get());
}

void X11Session::stop(QProcess* process) {
  if (process->state() == QProcess::NotRunning) return;
  process->terminate();
  if (!process->waitForFinished(3000)) {
    process->kill();
    process->waitForFinished(3000);
  }
}

QProcessEnvironment X11Session::environment(const QString& home) const {
  QProcessEnvironment env;
  env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH", QStringLiteral("/usr/bin:/bin")));
  env.insert(QStringLiteral("DISPLAY"), _display);
  env.insert(QStringLiteral("HOME"), home);
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
  env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
  env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
  env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
  env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
  return env;
}

}  // namespace e2e
