#pragma once
// A library opened the way the application opens one (through the document
// controller), with its window shown offscreen; closed again after the test.

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

#include "AppTestSupport.h"
#include "gui/library/FolianDocument.h"
#include "gui/shell/FolianDocumentController.h"
#include "gui/library/FolianMainWindow.h"

namespace apptest {

/// Processes events until `done()` or about `timeoutMs` passed; the result
/// of `done()` then.
template <typename Done>
bool WaitUntil(Done done, int timeoutMs = 2000) {
  for (int round = 0; round < timeoutMs / 10 && !done(); ++round) QTest::qWait(10);
  return done();
}

class WindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    controller = std::make_unique<FolianDocumentController>();
  }

  void TearDown() override {
    const std::vector<FolianDocument*> open = controller->documents();
    for (FolianDocument* document : open) document->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    controller.reset();
  }

  QString path(const QString& name = QStringLiteral("lib.fln")) const { return dir.filePath(name); }

  /// Writes `contents` as the library `name` and opens it.
  FolianDocument* open(const LibraryContents& contents, const QString& name = QStringLiteral("lib.fln")) {
    WriteLibrary(path(name), contents);
    return reopen(name);
  }

  /// Opens the library `name` (again) and waits for its window.
  FolianDocument* reopen(const QString& name = QStringLiteral("lib.fln")) {
    FolianDocument* document = controller->openDocumentWithContentsOfFile(path(name));
    if (document != nullptr) {
      EXPECT_TRUE(QTest::qWaitForWindowExposed(document->mainWindow()));
    }
    return document;
  }

  /// Closes `document`'s window and lets the document go.
  void closeDocument(FolianDocument* document) {
    ASSERT_TRUE(document->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QTemporaryDir dir;
  std::unique_ptr<FolianDocumentController> controller;
};

}  // namespace apptest
