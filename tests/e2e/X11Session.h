#pragma once
// A private X display for the end-to-end tests: an Xvfb server on a display
// number the server picks itself, and a window manager on it, so that windows
// get title bars, focus and placement as on a desktop.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <memory>

namespace e2e {

class X11Session {
 public:
  /// Starts Xvfb (1920x1080, 24 bits) and openbox, trying again with a new
  /// server when openbox does not take it; ok() tells whether both run.
  X11Session();
  /// Ends the window manager and the server (only the processes it started).
  ~X11Session();
  X11Session(const X11Session&) = delete;
  X11Session& operator=(const X11Session&) = delete;

  bool ok() const { return _error.isEmpty(); }
  /// Why the session could not start.
  QString error() const { return _error; }
  /// ":N", the display's name.
  QString display() const { return _display; }
  /// A minimal environment for a program on this display: PATH, the display,
  /// and HOME and the XDG folders inside `home`, so that preferences and
  /// recent libraries start empty.
  QProcessEnvironment environment(const QString& home) const;

 private:
  // One try at starting both; sets _error when it fails.
  void start();
  static void stop(QProcess* process);

  std::unique_ptr<QProcess> _server;
  std::unique_ptr<QProcess> _windowManager;
  QString _display;
  QString _error;
};

}  // namespace e2e
