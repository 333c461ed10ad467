// The widget tests run offscreen with their own configuration and runtime
// folders, so that they neither read nor change the user's preferences,
// recent libraries, locks or full-text indexes.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
  qputenv("XDG_RUNTIME_DIR", (home.path() + "/runtime").toUtf8());
  qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
  // Nor do they reach the desktop's services (the file manager) on the session bus.
  qunsetenv("DBUS_SESSION_BUS_ADDRESS");
  QDir().mkpath(home.path() + "/runtime");
  QFile::setPermissions(home.path() + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
