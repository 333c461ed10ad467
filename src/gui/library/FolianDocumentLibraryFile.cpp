// The library file as a whole: its facts and the space it wastes, and
// compacting it.

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QProgressDialog>
#include <memory>
#include <string>

#include "gui/library/FolianDocument.h"
#include "gui/library/CategoryLevelPane.h"
#include "gui/library/FolianMainWindow.h"
#include "gui/shell/FailureReasonText.h"
#include "gui/shell/ProgressDialog.h"
#include "library/FlnCompact.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnLoad.h"
#include "library/FlnSpace.h"

namespace {

// "1.5 MB（1,572,864 バイト）": what the user reads, and the exact count.
QString ByteSizeText(int64_t bytes) {
  const QLocale locale(QLocale::Japanese);
  return QCoreApplication::translate("FolianDocumentLibraryFile", "%1（%2 バイト）").arg(locale.formattedDataSize(bytes), locale.toString(bytes));
}

}  // namespace

void FolianDocument::showLibraryInfo() {
  const QFileInfo file(fileName());
  QString text = QCoreApplication::translate("FolianDocumentLibraryFile", "ライブラリ「%1」\n場所: %2\nエントリ: %3件\n")
                     .arg(file.fileName(), file.absolutePath())
                     .arg(Tesk_Ary_GetSize(_fln_data.entry));
  FlnSpaceUse use;
  if (!MeasureLibrarySpace(&_fln_data, &use)) {
    alert(text + QCoreApplication::translate("FolianDocumentLibraryFile", "ファイルを読み込めないため、大きさを調べられませんでした。"));
    return;
  }
  text += QCoreApplication::translate("FolianDocumentLibraryFile", "ファイルの大きさ: %1\n使われていない領域: %2")
              .arg(ByteSizeText(use.fileSize), ByteSizeText(use.unusedBytes()));
  if (use.unusedPdfs > 0)
    text += QCoreApplication::translate("FolianDocumentLibraryFile", "\n（削除したエントリのPDF %1件を含みます）").arg(use.unusedPdfs);
  if (use.unusedBytes() > 0) text += QCoreApplication::translate("FolianDocumentLibraryFile", "\n「ライブラリを最適化...」で取り除けます。");
  alert(text);
}

void FolianDocument::compactLibrary() {
  // The window's state goes into the file that is rewritten.
  if (!saveLibrary()) return;
  const QString name = QFileInfo(fileName()).fileName();
  FlnSpaceUse use;
  const QString unused = MeasureLibrarySpace(&_fln_data, &use) ? ByteSizeText(use.unusedBytes()) : QString();
  if (!confirmDestructive(QCoreApplication::translate("FolianDocumentLibraryFile", "ライブラリ「%1」を書き直して、使われていない領域（%2）を取り除きます。"
                                         "よろしいですか？")
                              .arg(name, unused.isEmpty() ? QCoreApplication::translate("FolianDocumentLibraryFile", "大きさ不明") : unused)))
    return;

  LibraryLock unguarded;  // a window without a lock (no file system lock) compacts unguarded, as it saves
  LibraryLock* lock = _libraryLock != nullptr ? _libraryLock : &unguarded;
  FlnCompaction done;
  QProgressDialog* progress = MakeProgressDialog(_mainWindow.get(), QCoreApplication::translate("FolianDocumentLibraryFile", "最適化中"));
  const std::string path = _fln_data.filePath;
  const FlnResult result = runLongCommand([&] {
    return CompactLibraryFile(path, lock, LibraryLockHolder::Window, &done, [progress](int32_t n, int32_t total) {
      progress->setMaximum(total);
      progress->setValue(n);
      progress->setLabelText(QCoreApplication::translate("FolianDocumentLibraryFile", "PDF %1 / %2 件").arg(n + 1).arg(total));
      QCoreApplication::processEvents();
      return !progress->wasCanceled();
    });
  });
  delete progress;

  if (result.status == FlnStatus::Stopped) return;
  if (!result.ok()) {
    alert(QCoreApplication::translate("FolianDocumentLibraryFile", "ライブラリ「%1」を最適化できませんでした。ライブラリは元のままです。\n%2")
              .arg(name, FailureReasonText(result)));
    return;
  }
  reloadRewrittenLibrary();
  alert(QCoreApplication::translate("FolianDocumentLibraryFile", "ライブラリ「%1」を最適化しました。\n%2 → %3")
            .arg(name, ByteSizeText(done.sizeBefore), ByteSizeText(done.sizeAfter)));
}

void FolianDocument::reloadRewrittenLibrary() {
  const std::string path = _fln_data.filePath;
  const FlnResult loaded = ReadFlnDataFromFlnFile(path.c_str(), &_fln_data);
  if (!loaded.ok()) {
    // Nothing of this window may be written into a file it could not load.
    _fileReplaced = true;
    alert(QCoreApplication::translate("FolianDocumentLibraryFile", "書き直したライブラリを読み込めません。開き直します。\n%1")
              .arg(FailureReasonText(loaded)));
    emit libraryFileReplaced(this);
    return;
  }
  // Loading released the category name arrays the panes were showing: point
  // them at the new ones before anything reads a name through them.
  for (int level = 1; level <= 3; ++level) folianCategory(level)->setTeskAry(CategoryNameAryOf(&_fln_data, level));
  refreshAfterImport();
}
