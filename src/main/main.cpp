// Folian: a library of PDF documents on the desktop. Opens the libraries
// named on the command line, or shows the start window.

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include "gui/shell/FolianDocumentController.h"
#include "storage/FileSizeLimit.h"

int main(int argc, char* argv[]) {
  IgnoreFileSizeLimitSignal();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Folian"));
  QApplication::setApplicationDisplayName(QStringLiteral("Folian"));
  QApplication::setDesktopFileName(QStringLiteral("folian"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("folian")));
  // The controller decides when the application ends: closing the last
  // library window brings the start window back instead.
  QApplication::setQuitOnLastWindowClosed(false);
  // Folian speaks Japanese: so do Qt's own dialogs (file panels, buttons).
  QTranslator qtTexts;
  if (qtTexts.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTexts);

  FolianDocumentController controller;
  QObject::connect(&controller, &FolianDocumentController::applicationShouldTerminate, &app, &QApplication::quit,
                   Qt::QueuedConnection);
  controller.start(QApplication::arguments().mid(1));
  return QApplication::exec();
}
