// Import, export and deletion of PDFs from the library window, the copy of
// the library, and the commands that do no library work.

#include <QCoreApplication>
#include <QDir>
#include <QCheckBox>
#include <QFileDialog>
#include <QStringList>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QProgressDialog>
#include <QSettings>
#include <QTableView>
#include <array>
#include <cstring>

#include "gui/shell/Alert.h"
#include "library/FlnUpgrade.h"
#include "transfer/ImportFit.h"
#include "gui/category/CategoryChooserViewController.h"
#include "gui/shell/FailureListText.h"
#include "gui/library/CategoryLevelPane.h"
#include "gui/library/FolianDocument.h"
#include "gui/library/FolianMainWindow.h"
#include "categories/CategoryLists.h"
#include "categories/CategoryNameInput.h"
#include "format/CategoryNames.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnCopy.h"
#include "library/FlnPreference.h"
#include "gui/library/EntryListModel.h"
#include "transfer/PdfDelete.h"
#include "transfer/PdfExport.h"
#include "pdftext/PdfTitleAuthor.h"
#include "transfer/PdfImport.h"
#include "transfer/PdfInfoRefill.h"
#include "storage/OwnedAry.h"
#include "ui_FolianDocument.h"

namespace {

// Frees a temporary name array when it goes out of scope.
// The folder remembered under `tag`: from the library file first, else from
// the preference file; empty when neither holds one.
QString RememberedFolder(const char* libraryPath, int32_t tag) {
  char record[kPreferenceRecordSize] = {};
  if (ReadPreference_FromZelFile(libraryPath, tag, record, kPreferenceRecordSize) != 1) {
    char preferencePath[1024];
    if (GetPreferenceFilePath(preferencePath, sizeof preferencePath) != 1 ||
        ReadPreference_FromZelFile(preferencePath, tag, record, kPreferenceRecordSize) != 1)
      return QString();
  }
  record[kPreferenceRecordSize - 1] = '\0';
  return QString::fromUtf8(record);
}

// The import panel's own choices, kept per user in "import.ini" beside the
// recent libraries: whether titles come from the PDFs.
constexpr char kTitleFromPdfKey[] = "titleFromPdf";
QSettings ImportSettings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("FOLIAN"), QStringLiteral("import"));
}

// A progress dialog whose texts are plain (they show file names).
QProgressDialog* MakeProgressDialog(QWidget* parent, const QString& title) {
  auto* progress = new QProgressDialog(parent);
  auto* label = new QLabel(progress);
  label->setTextFormat(Qt::PlainText);
  label->setMinimumWidth(360);
  progress->setLabel(label);
  progress->setWindowTitle(title);
  progress->setCancelButtonText(QCoreApplication::translate("FolianDocumentTransfer", "キャンセル"));
  progress->setWindowModality(Qt::ApplicationModal);
  progress->setAutoClose(false);
  progress->setAutoReset(false);
  progress->setMinimumDuration(300);
  return progress;
}

// A finished panel is deleted only once its handler has returned. The
// handler runs inside QDialog::done, which still uses the panel afterwards,
// and the handler itself may spin the event loop (progress, alerts), so a
// panel deleted on close would be pulled out from under it.
class DeleteWhenDone {
 public:
  explicit DeleteWhenDone(QFileDialog* panel) : panel_(panel) {}
  ~DeleteWhenDone() {
    if (panel_) panel_->deleteLater();
  }
  DeleteWhenDone(const DeleteWhenDone&) = delete;
  DeleteWhenDone& operator=(const DeleteWhenDone&) = delete;

 private:
  QPointer<QFileDialog> panel_;
};

}  // namespace

void FolianDocument::importPdf() { runImportPanel(false); }

void FolianDocument::importPdfFolder() { runImportPanel(true); }

void FolianDocument::runImportPanel(bool folder) {
  if (_panel) return;
  _panelIsFolderImport = folder;
  _chooser = std::make_unique<CategoryChooserViewController>();
  OwnedAry names(Tesk_Ary_Init(kCategoryNameSize, 20, 20));
  const std::array<std::string, 3> choices = currentImportCategories();
  for (int level = 1; level <= 3; ++level) {
    const std::string& select = choices[level - 1];
    if (level == 1) GetDistinctCat1Ary_FromCatsAry(_fln_data.catsAry, names.get());
    if (level == 2) GetDistinctCat2Ary_FromCatsAry(_fln_data.catsAry, names.get());
    if (level == 3) GetDistinctCat3Ary_FromCatsAry(_fln_data.catsAry, names.get());
    Tesk_Ary_QuickSort(names.get(), CategorySortFunc);
    _chooser->setupLevel(level, folianCategory(level)->title(), names.get(), select);
  }

  auto* panel = new QFileDialog(_mainWindow.get());
  // The category boxes go into the panel's own layout, which only Qt's own
  // dialog has.
  panel->setOption(QFileDialog::DontUseNativeDialog);
  panel->setAcceptMode(QFileDialog::AcceptOpen);
  if (folder) {
    panel->setWindowTitle(QCoreApplication::translate("FolianDocumentTransfer", "フォルダから一括読み込み"));
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly);
  } else {
    panel->setWindowTitle(QCoreApplication::translate("FolianDocumentTransfer", "PDFを読み込む"));
    panel->setFileMode(QFileDialog::ExistingFile);
    panel->setNameFilter(QStringLiteral("PDF (*.pdf)"));
  }
  const QString start = RememberedFolder(_fln_data.filePath, folder ? kTagPrefFolderImport : kTagPrefFileImport);
  if (!start.isEmpty() && QFileInfo(start).isDir()) panel->setDirectory(start);
  auto* skipDuplicates = new QCheckBox(
      QCoreApplication::translate("FolianDocumentTransfer", "ライブラリにすでにあるPDFは読み込まない"), panel);
  skipDuplicates->setObjectName(QStringLiteral("skipDuplicatesBox"));
  auto* titleFromPdf = new QCheckBox(tr("PDFの情報からタイトルを設定"), panel);
  titleFromPdf->setObjectName(QStringLiteral("titleFromPdfBox"));
  titleFromPdf->setChecked(ImportSettings().value(kTitleFromPdfKey, true).toBool());
  if (auto* grid = qobject_cast<QGridLayout*>(panel->layout())) {
    grid->addWidget(_chooser->view(), grid->rowCount(), 0, 1, grid->columnCount());
    grid->addWidget(skipDuplicates, grid->rowCount(), 0, 1, grid->columnCount());
    grid->addWidget(titleFromPdf, grid->rowCount(), 0, 1, grid->columnCount());
  }
  panel->setWindowModality(Qt::WindowModal);
  connect(panel, &QDialog::finished, this, [this](int result) { openPanelDidEnd(result == QDialog::Accepted); });
  _panel = panel;
  panel->open();
}

void FolianDocument::openPanelDidEnd(bool accepted) {
  QFileDialog* panel = _panel;
  const DeleteWhenDone dispose(panel);
  _panel = nullptr;
  if (!accepted || panel == nullptr || panel->selectedFiles().isEmpty()) {
    _chooser.reset();
    return;
  }
  const QByteArray chosen = panel->selectedFiles().first().toUtf8();
  const QByteArray panelFolder = panel->directory().absolutePath().toUtf8();
  const std::array<std::string, 3> cats = {_chooser->categoryText(1), _chooser->categoryText(2),
                                           _chooser->categoryText(3)};
  const auto* skipBox = panel->findChild<QCheckBox*>(QStringLiteral("skipDuplicatesBox"));
  const bool skipDuplicates = skipBox != nullptr && skipBox->isChecked();
  const auto* titleBox = panel->findChild<QCheckBox*>(QStringLiteral("titleFromPdfBox"));
  const bool titleFromPdf = titleBox == nullptr || titleBox->isChecked();
  ImportSettings().setValue(kTitleFromPdfKey, titleFromPdf);
  const PdfInfoReader readInfo = titleFromPdf ? PdfInfoReader(ReadPdfTitleAndAuthor) : PdfInfoReader();
  _chooser.reset();
  runImport({chosen.toStdString()}, cats, _panelIsFolderImport, skipDuplicates,
            [&](const char* const names[3], const ImportProgress& progress) {
              return ImportPDFFiles(&_fln_data, chosen.constData(), panelFolder.constData(), names[0], names[1],
                                    names[2], progress, skipDuplicates, readInfo);
            });
}

PdfInfoReader FolianDocument::rememberedInfoReader() const {
  return ImportSettings().value(kTitleFromPdfKey, true).toBool() ? PdfInfoReader(ReadPdfTitleAndAuthor)
                                                                 : PdfInfoReader();
}

std::array<std::string, 3> FolianDocument::currentImportCategories() const {
  std::array<std::string, 3> cats;
  for (int level = 1; level <= 3; ++level) {
    cats[level - 1] = folianCategory(level)->getSelectedCategoryName();
    if (cats[level - 1] == kCategoryAll) cats[level - 1] = kCategoryOther;
  }
  return cats;
}

void FolianDocument::runImport(const std::vector<std::string>& paths, const std::array<std::string, 3>& cats,
                               bool withProgress, bool skipDuplicates, const ImportRun& import) {
  for (const std::string& cat : cats) {
    const QString refusal = CheckEntryCategoryName(cat.c_str(), false);
    if (!refusal.isEmpty()) {
      alert(refusal + QCoreApplication::translate("FolianDocumentTransfer", "\n何も読み込んでいません。"));
      return;
    }
  }
  const char* const names[3] = {cats[0].c_str(), cats[1].c_str(), cats[2].c_str()};

  // A conversion asked for by one path serves the others too.
  for (const std::string& path : paths)
    if (!convertIfImportNeeds(QByteArray::fromStdString(path))) return;

  ++_busy;
  ImportResult result;
  if (withProgress) {
    QProgressDialog* progress =
        MakeProgressDialog(_mainWindow.get(), QCoreApplication::translate("FolianDocumentTransfer", "読み込み中"));
    result = import(names, [progress](int32_t done, int32_t total, const std::string& path) {
      progress->setMaximum(total);
      progress->setValue(done);
      progress->setLabelText(QCoreApplication::translate("FolianDocumentTransfer", "%1 / %2 件\n%3")
                                 .arg(done + 1)
                                 .arg(total)
                                 .arg(QFileInfo(QString::fromStdString(path)).fileName()));
      // Keeps the window painted and the Cancel button working.
      QCoreApplication::processEvents();
      return !progress->wasCanceled();
    });
    delete progress;
  } else {
    result = import(names, nullptr);
  }
  --_busy;

  refreshAfterImport();
  if (result.status == ImportStatus::LibraryUnavailable) {
    alert(QCoreApplication::translate("FolianDocumentTransfer",
                                      "ライブラリのファイルに書き込めないため、読み込めませんでした。"));
  } else if (result.status == ImportStatus::CategoryNameTooLong) {
    alert(QCoreApplication::translate("FolianDocumentTransfer", "分類名が長すぎるため、読み込めませんでした。"));
  } else {
    // One report: the files left out, then those stored that are no PDF.
    QStringList report;
    if (!result.failures.empty()) report << ImportFailureMessage(result.failures);
    if (!result.notPdf.empty()) report << NotPdfMessage(result.notPdf);
    if (!report.isEmpty()) alert(report.join(QStringLiteral("\n\n")));
  }
  if (!result.duplicates.empty()) alert(DuplicateListMessage(result.duplicates, skipDuplicates));
  if (!result.decodedNames.empty()) alert(ImportDecodedNameMessage(result.decodedNames));
  if (!result.saved) reportSaveFailure();
}

bool FolianDocument::convertIfImportNeeds(const QByteArray& chosen) {
  const ImportFitCheck fit = CheckImportFits(&_fln_data, chosen.toStdString());
  if (fit.fits || fit.wide) return true;
  const QString name = QFileInfo(fileName()).fileName();
  const QString question =
      QCoreApplication::translate(
          "FolianDocumentTransfer",
          "この読み込みで、ライブラリ「%1」のファイルは 4 GB を超えます。今のファイル形式には 4 GB までしか"
          "入りません。\n\nライブラリを 4 GB を超えられる新しい形式（64ビット）に変換してから読み込みますか？"
          "\n・エントリ、分類、PDF はそのまま変わりません。\n・変換したライブラリは、この形式を知らない古い"
          "版の Folian では開けなくなります。\n・変換のあいだ、ライブラリと同じ大きさ（%2）の空き容量が"
          "一時的に必要です。\n\n「いいえ」を選ぶと、何も読み込みません。")
          .arg(name, QLocale().formattedDataSize(static_cast<qint64>(fit.fileSize)));
  if (!confirmDestructive(question)) {
    alert(QCoreApplication::translate("FolianDocumentTransfer",
                                      "ライブラリを変換しなかったため、何も読み込みませんでした。"));
    return false;
  }
  ++_busy;
  QProgressDialog* progress = MakeProgressDialog(
      _mainWindow.get(), QCoreApplication::translate("FolianDocumentTransfer", "ライブラリを変換中"));
  progress->setLabelText(
      QCoreApplication::translate("FolianDocumentTransfer", "「%1」を 4 GB を超えられる形式に変換しています…")
          .arg(name));
  constexpr int kMiB = 20;
  LibraryLock unguarded;  // a window without a lock (no file system lock) converts unguarded, as it saves
  const FlnResult converted =
      UpgradeLoadedLibrary(&_fln_data, _libraryLock != nullptr ? _libraryLock : &unguarded, LibraryLockHolder::Window,
                           [progress](uint64_t done, uint64_t total) {
                             progress->setMaximum(static_cast<int>(total >> kMiB));
                             progress->setValue(static_cast<int>(done >> kMiB));
                             QCoreApplication::processEvents();
                             return !progress->wasCanceled();
                           });
  delete progress;
  --_busy;
  if (converted.status == FlnStatus::Stopped) {
    alert(QCoreApplication::translate("FolianDocumentTransfer",
                                      "変換を中止しました。ライブラリは元のままで、何も読み込んでいません。"));
    return false;
  }
  if (!converted.ok()) {
    alert(QCoreApplication::translate(
              "FolianDocumentTransfer",
              "ライブラリを変換できませんでした。ライブラリは元のままで、何も読み込んでいません。\n%1")
              .arg(QString::fromStdString(converted.reason)));
    return false;
  }
  return true;
}

void FolianDocument::refreshAfterImport() {
  // The import left every name of the table in the lists, not narrowed by
  // the other levels, so that new categories show. Each list shows its
  // choice selected again (its row may have moved); a choice that is gone
  // falls back to "＜すべて＞" through the level's handler.
  for (int level = 1; level <= 3; ++level) {
    CategoryLevelPane* category = folianCategory(level);
    category->reload();
    const int row = GetCategoryListRow_ByChoice(&_fln_data, level);
    if (row == 0 && strcmp(CategoryChoiceOf(&_fln_data, level), kCategoryAll) != 0)
      category->selectRow(0);
    else
      category->selectRowQuietly(row);
  }
  // Listed in the order of the list's sort keys, like every other rebuild.
  makeEntryList();
  updateFullTextIndex();
}

void FolianDocument::saveNewFile() {
  if (_panel) return;
  auto* panel =
      new QFileDialog(_mainWindow.get(), QCoreApplication::translate("FolianDocumentTransfer", "コピーを保存"));
  panel->setOption(QFileDialog::DontUseNativeDialog);
  panel->setAcceptMode(QFileDialog::AcceptSave);
  panel->setNameFilter(QCoreApplication::translate("FolianDocumentTransfer", "Folianライブラリ (*.fln)"));
  panel->setDefaultSuffix(QStringLiteral("fln"));
  panel->setDirectory(QFileInfo(fileName()).absolutePath());
  panel->selectFile(QFileInfo(fileName()).fileName());
  panel->setWindowModality(Qt::WindowModal);
  connect(panel, &QDialog::finished, this, [this](int result) {
    QFileDialog* done = _panel;
    const DeleteWhenDone dispose(done);
    _panel = nullptr;
    if (result != QDialog::Accepted || done == nullptr || done->selectedFiles().isEmpty()) return;
    const QString target = done->selectedFiles().first();
    int32_t leftOut = 0;
    const FlnResult copied = WriteLibraryCopy(&_fln_data, target.toUtf8().constData(), &leftOut);
    if (copied.status == FlnStatus::SameFile) {
      alert(QCoreApplication::translate("FolianDocumentTransfer",
                                        "開いているライブラリ自身のファイルには保存できません。"));
    } else if (!copied.ok()) {
      QString message = QCoreApplication::translate("FolianDocumentTransfer", "「%1」にコピーを保存できませんでした。")
                            .arg(QFileInfo(target).fileName());
      if (!copied.reason.empty()) message += QLatin1Char('\n') + QString::fromStdString(copied.reason);
      alert(message);
    } else if (leftOut > 0) {
      alert(QCoreApplication::translate("FolianDocumentTransfer",
                                        "%1件のPDFはライブラリから読み出せなかったため、コピーに含めていません。")
                .arg(leftOut));
    }
  });
  _panel = panel;
  panel->open();
}

void FolianDocument::savePdfPanel() {
  if (_panel) return;
  auto* panel = new QFileDialog(_mainWindow.get(), QCoreApplication::translate("FolianDocumentTransfer", "選択"));
  panel->setOption(QFileDialog::DontUseNativeDialog);
  panel->setAcceptMode(QFileDialog::AcceptOpen);
  panel->setFileMode(QFileDialog::Directory);
  panel->setOption(QFileDialog::ShowDirsOnly);
  panel->setLabelText(QFileDialog::Accept, QCoreApplication::translate("FolianDocumentTransfer", "選択"));
  panel->setWindowModality(Qt::WindowModal);
  connect(panel, &QDialog::finished, this, [this](int result) { savePdfPanelDidEnd(result == QDialog::Accepted); });
  _panel = panel;
  panel->open();
}

void FolianDocument::savePdfPanelDidEnd(bool accepted) {
  QFileDialog* panel = _panel;
  const DeleteWhenDone dispose(panel);
  _panel = nullptr;
  if (!accepted || panel == nullptr || panel->selectedFiles().isEmpty()) return;
  const QByteArray folder = panel->selectedFiles().first().toUtf8();
  ++_busy;
  const ExportResult result = ExportPDFFiles(&_fln_data, folder.constData(), selectedEntryRows());
  --_busy;
  // The entries' dates changed; the list shows them as they are now.
  _entryListModel->dataChanged(_entryListModel->index(0, 0),
                               _entryListModel->index(_entryListModel->rowCount() - 1,
                                                      _entryListModel->columnCount() - 1));
  if (result.status == ExportStatus::FolderUnusable) {
    alert(QCoreApplication::translate("FolianDocumentTransfer", "「%1」には書き出せません。フォルダが見つかりません。")
              .arg(QString::fromUtf8(folder)));
  } else if (!result.problems.empty()) {
    alert(ExportProblemMessage(result.problems, &_fln_data));
  }
  if (!result.saved) reportSaveFailure();
}

void FolianDocument::deletePDF() {
  const std::vector<int> rows = selectedEntryRows();
  if (rows.empty()) return;
  if (!confirmDestructive(DeletePdfConfirmMessage(SelectedEntryTitles(&_fln_data, rows)))) return;
  // An entry's windows close before it goes, so none is left showing a
  // removed record.
  const DeleteResult result = DeletePDFEntries(&_fln_data, rows, childWindowClosers());
  makeEntryList();
  updateFullTextIndex();
  entryListBox()->clearSelection();
  if (!result.saved) reportSaveFailure();
}

void FolianDocument::refillTitlesFromPdfs() {
  const std::vector<int> rows = selectedEntryRows();
  if (rows.empty()) return;
  if (!confirmDestructive(
          tr("選択した%1件の項目のタイトルと著者を、PDFの情報で置き換えてもよろしいですか？").arg(rows.size())))
    return;
  ++_busy;
  const PdfInfoRefillResult result = RefillTitlesFromPdfInfo(&_fln_data, rows, ReadPdfTitleAndAuthor);
  --_busy;
  // The rows stay where they are; their titles and authors show as they are
  // now, in the list and in the entries' open windows.
  if (result.changed > 0) updateChildWindows();
  _entryListModel->dataChanged(
      _entryListModel->index(0, 0),
      _entryListModel->index(_entryListModel->rowCount() - 1, _entryListModel->columnCount() - 1));
  if (!result.problems.empty())
    alert(ExportProblemMessage(result.problems, &_fln_data));
  else if (result.changed == 0)
    alert(tr("選択したPDFには、タイトルや著者として使える情報がありませんでした。"));
  if (!result.saved) reportSaveFailure();
}
