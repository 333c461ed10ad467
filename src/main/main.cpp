// Folian: a library of PDF documents on the desktop. Opens the libraries
// named on the command line, or shows the start window.

#include <QApplication>
#include <QIcon>
#include <QProcessEnvironment>
#include <QTranslator>
#include <cstdio>
#include <memory>

#include "gui/shell/FolianDocumentController.h"
#include "gui/shell/UiLanguage.h"
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
  // Japanese, or English: as the locale asks, unless --lang says.
  QStringList arguments = QApplication::arguments().mid(1);
  UiLanguage language = UiLanguageOfLocale(QProcessEnvironment::systemEnvironment());
  QString error;
  if (!TakeLanguageOption(&arguments, &language, &error)) {
    std::fprintf(stderr, "folian: %s\n", qPrintable(error));
    return 2;
  }
  std::unique_ptr<QTranslator> translation = LoadTranslation(language);
  if (translation) QApplication::installTranslator(translation.get());

  FolianDocumentController controller;
  QObject::connect(&controller, &FolianDocumentController::applicationShouldTerminate, &app, &QApplication::quit,
                   Qt::QueuedConnection);
  controller.start(arguments);
  return QApplication::exec();
}
