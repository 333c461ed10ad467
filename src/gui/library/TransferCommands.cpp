#include "gui/library/TransferCommands.h"

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
#include <cstring>

#include "gui/shell/Alert.h"
#include "library/FlnUpgrade.h"
#include "transfer/ImportFit.h"
#include "gui/category/CategoryChooserViewController.h"
#include "gui/shell/FailureListText.h"
#include "gui/library/CategoryLevelPane.h"
#include "gui/library/ChildWindowRegistry.h"
#include "gui/library/EntryListModel.h"
#include "gui/library/FolianDocument.h"
#include "gui/library/FolianMainWindow.h"
#include "categories/CategoryLists.h"
#include "categories/CategoryNameInput.h"
#include "format/CategoryNames.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnCopy.h"
#include "library/FlnPreference.h"
#include "transfer/PdfDelete.h"
#include "transfer/PdfExport.h"
#include "pdftext/PdfTitleAuthor.h"
#include "transfer/PdfImport.h"
#include "transfer/PdfInfoRefill.h"
#include "storage/OwnedAry.h"

namespace {

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
  progress->setCancelButtonText(QStringLiteral("キャンセル"));
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

TransferCommands::TransferCommands(FolianDocument& document) : _document(document) {}

TransferCommands::~TransferCommands() = default;

void TransferCommands::importPdf() { runImportPanel(false); }

void TransferCommands::importPdfFolder() { runImportPanel(true); }

void TransferCommands::runImportPanel(bool folder) {
  if (_panel) return;
  _panelIsFolderImport = folder;
  _chooser = std::make_unique<CategoryChooserViewController>();
  OwnedAry names(Tesk_Ary_Init(kCategoryNameSize, 20, 20));
  for (int level = 1; level <= 3; ++level) {
    std::string select = _document.folianCategory(level)->getSelectedCategoryName();
    if (select == kCategoryAll) select = kCategoryOther;
    if (level == 1) GetDistinctCat1Ary_FromCatsAry(_document.flnData()->catsAry, names.get());
    if (level == 2) GetDistinctCat2Ary_FromCatsAry(_document.flnData()->catsAry, names.get());
    if (level == 3) GetDistinctCat3Ary_FromCatsAry(_document.flnData()->catsAry, names.get());
    Tesk_Ary_QuickSort(names.get(), CategorySortFunc);
    _chooser->setupLevel(level, _document.folianCategory(level)->title(), names.get(), select);
  }

  auto* panel = new QFileDialog(_document.mainWindow());
  // The category boxes go into the panel's own layout, which only Qt's own
  // dialog has.
  panel->setOption(QFileDialog::DontUseNativeDialog);
  panel->setAcceptMode(QFileDialog::AcceptOpen);
  if (folder) {
    panel->setWindowTitle(QStringLiteral("フォルダから一括読み込み"));
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly);
  } else {
    panel->setWindowTitle(QStringLiteral("PDFを読み込む"));
    panel->setFileMode(QFileDialog::ExistingFile);
    panel->setNameFilter(QStringLiteral("PDF (*.pdf)"));
  }
  const QString start = RememberedFolder(_document.flnData()->filePath, folder ? kTagPrefFolderImport : kTagPrefFileImport);
  if (!start.isEmpty() && QFileInfo(start).isDir()) panel->setDirectory(start);
  auto* skipDuplicates = new QCheckBox(QStringLiteral("ライブラリにすでにあるPDFは読み込まない"), panel);
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
  connect(panel, &QDialog::finished, this, [this](int result) { importPanelDidEnd(result == QDialog::Accepted); });
  _panel = panel;
  panel->open();
}

void TransferCommands::importPanelDidEnd(bool accepted) {
  QFileDialog* panel = _panel;
  const DeleteWhenDone dispose(panel);
  _panel = nullptr;
  if (!accepted || panel == nullptr || panel->selectedFiles().isEmpty()) {
    _chooser.reset();
    return;
  }
  const QByteArray chosen = panel->selectedFiles().first().toUtf8();
  const QByteArray panelFolder = panel->directory().absolutePath().toUtf8();
  const std::string cats[3] = {_chooser->categoryText(1), _chooser->categoryText(2), _chooser->categoryText(3)};
  const auto* skipBox = panel->findChild<QCheckBox*>(QStringLiteral("skipDuplicatesBox"));
  const bool skipDuplicates = skipBox != nullptr && skipBox->isChecked();
  const auto* titleBox = panel->findChild<QCheckBox*>(QStringLiteral("titleFromPdfBox"));
  const bool titleFromPdf = titleBox == nullptr || titleBox->isChecked();
  ImportSettings().setValue(kTitleFromPdfKey, titleFromPdf);
  const PdfInfoReader readInfo = titleFromPdf ? PdfInfoReader(ReadPdfTitleAndAuthor) : PdfInfoReader();
  _chooser.reset();
  for (const std::string& cat : cats) {
    const QString refusal = CheckEntryCategoryName(cat.c_str(), false);
    if (!refusal.isEmpty()) {
      _document.alert(refusal + QStringLiteral("\n何も読み込んでいません。"));
      return;
    }
  }

  if (!convertIfImportNeeds(chosen)) return;

  ++_busy;
  ImportResult result;
  if (_panelIsFolderImport) {
    QProgressDialog* progress = MakeProgressDialog(_document.mainWindow(), QStringLiteral("読み込み中"));
    result = ImportPDFFiles(_document.flnData(), chosen.constData(), panelFolder.constData(), cats[0].c_str(),
                            cats[1].c_str(), cats[2].c_str(),
                            [progress](int32_t done, int32_t total, const std::string& path) {
                              progress->setMaximum(total);
                              progress->setValue(done);
                              progress->setLabelText(QStringLiteral("%1 / %2 件\n%3")
                                                         .arg(done + 1)
                                                         .arg(total)
                                                         .arg(QFileInfo(QString::fromStdString(path)).fileName()));
                              // Keeps the window painted and the Cancel button working.
                              QCoreApplication::processEvents();
                              return !progress->wasCanceled();
                            },
                            skipDuplicates, readInfo);
    delete progress;
  } else {
    result = ImportPDFFiles(_document.flnData(), chosen.constData(), panelFolder.constData(), cats[0].c_str(),
                            cats[1].c_str(), cats[2].c_str(), nullptr, skipDuplicates, readInfo);
  }
  --_busy;

  refreshAfterImport();
  if (result.status == ImportStatus::LibraryUnavailable) {
    _document.alert(QStringLiteral("ライブラリのファイルに書き込めないため、読み込めませんでした。"));
  } else if (result.status == ImportStatus::CategoryNameTooLong) {
    _document.alert(QStringLiteral("分類名が長すぎるため、読み込めませんでした。"));
  } else {
    // One report: the files left out, then those stored that are no PDF.
    QStringList report;
    if (!result.failures.empty()) report << ImportFailureMessage(result.failures);
    if (!result.notPdf.empty()) report << NotPdfMessage(result.notPdf);
    if (!report.isEmpty()) _document.alert(report.join(QStringLiteral("\n\n")));
  }
  if (!result.duplicates.empty()) _document.alert(DuplicateListMessage(result.duplicates, skipDuplicates));
  if (!result.decodedNames.empty()) _document.alert(ImportDecodedNameMessage(result.decodedNames));
  if (!result.saved) _document.reportSaveFailure();
}

bool TransferCommands::convertIfImportNeeds(const QByteArray& chosen) {
  const ImportFitCheck fit = CheckImportFits(_document.flnData(), chosen.toStdString());
  if (fit.fits || fit.wide) return true;
  const QString name = QFileInfo(_document.fileName()).fileName();
  const QString question =
      QStringLiteral("この読み込みで、ライブラリ「%1」のファイルは 4 GB を超えます。今のファイル形式には 4 GB までしか"
                     "入りません。\n\nライブラリを 4 GB を超えられる新しい形式（64ビット）に変換してから読み込みますか？"
                     "\n・エントリ、分類、PDF はそのまま変わりません。\n・変換したライブラリは、この形式を知らない古い"
                     "版の Folian では開けなくなります。\n・変換のあいだ、ライブラリと同じ大きさ（%2）の空き容量が"
                     "一時的に必要です。\n\n「いいえ」を選ぶと、何も読み込みません。")
          .arg(name, QLocale().formattedDataSize(static_cast<qint64>(fit.fileSize)));
  if (!_document.confirmDestructive(question)) {
    _document.alert(QStringLiteral("ライブラリを変換しなかったため、何も読み込みませんでした。"));
    return false;
  }
  ++_busy;
  QProgressDialog* progress = MakeProgressDialog(_document.mainWindow(), QStringLiteral("ライブラリを変換中"));
  progress->setLabelText(QStringLiteral("「%1」を 4 GB を超えられる形式に変換しています…").arg(name));
  constexpr int kMiB = 20;
  LibraryLock unguarded;  // a window without a lock (no file system lock) converts unguarded, as it saves
  LibraryLock* lock = _document.libraryLock() != nullptr ? _document.libraryLock() : &unguarded;
  const FlnResult converted = UpgradeLoadedLibrary(
      _document.flnData(), lock, LibraryLockHolder::Window,
      [progress](uint64_t done, uint64_t total) {
        progress->setMaximum(static_cast<int>(total >> kMiB));
        progress->setValue(static_cast<int>(done >> kMiB));
        QCoreApplication::processEvents();
        return !progress->wasCanceled();
      });
  delete progress;
  --_busy;
  if (converted.status == FlnStatus::Stopped) {
    _document.alert(QStringLiteral("変換を中止しました。ライブラリは元のままで、何も読み込んでいません。"));
    return false;
  }
  if (!converted.ok()) {
    _document.alert(QStringLiteral("ライブラリを変換できませんでした。ライブラリは元のままで、何も読み込んでいません。\n%1")
                        .arg(QString::fromStdString(converted.reason)));
    return false;
  }
  return true;
}

void TransferCommands::refreshAfterImport() {
  // The import left every name of the table in the lists, not narrowed by
  // the other levels, so that new categories show. Each list shows its
  // choice selected again (its row may have moved); a choice that is gone
  // falls back to "＜すべて＞" through the level's handler.
  for (int level = 1; level <= 3; ++level) {
    CategoryLevelPane* category = _document.folianCategory(level);
    category->reload();
    const int row = GetCategoryListRow_ByChoice(_document.flnData(), level);
    if (row == 0 && strcmp(CategoryChoiceOf(_document.flnData(), level), kCategoryAll) != 0)
      category->selectRow(0);
    else
      category->selectRowQuietly(row);
  }
  // Listed in the order of the list's sort keys, like every other rebuild.
  _document.makeEntryList();
  _document.updateFullTextIndex();
}

void TransferCommands::saveCopy() {
  if (_panel) return;
  auto* panel = new QFileDialog(_document.mainWindow(), QStringLiteral("コピーを保存"));
  panel->setOption(QFileDialog::DontUseNativeDialog);
  panel->setAcceptMode(QFileDialog::AcceptSave);
  panel->setNameFilter(QStringLiteral("Folianライブラリ (*.fln)"));
  panel->setDefaultSuffix(QStringLiteral("fln"));
  panel->setDirectory(QFileInfo(_document.fileName()).absolutePath());
  panel->selectFile(QFileInfo(_document.fileName()).fileName());
  panel->setWindowModality(Qt::WindowModal);
  connect(panel, &QDialog::finished, this, [this](int result) {
    QFileDialog* done = _panel;
    const DeleteWhenDone dispose(done);
    _panel = nullptr;
    if (result != QDialog::Accepted || done == nullptr || done->selectedFiles().isEmpty()) return;
    const QString target = done->selectedFiles().first();
    int32_t leftOut = 0;
    const FlnResult copied = WriteLibraryCopy(_document.flnData(), target.toUtf8().constData(), &leftOut);
    if (copied.status == FlnStatus::SameFile) {
      _document.alert(QStringLiteral("開いているライブラリ自身のファイルには保存できません。"));
    } else if (!copied.ok()) {
      QString message = QStringLiteral("「%1」にコピーを保存できませんでした。").arg(QFileInfo(target).fileName());
      if (!copied.reason.empty()) message += QLatin1Char('\n') + QString::fromStdString(copied.reason);
      _document.alert(message);
    } else if (leftOut > 0) {
      _document.alert(QStringLiteral("%1件のPDFはライブラリから読み出せなかったため、コピーに含めていません。").arg(leftOut));
    }
  });
  _panel = panel;
  panel->open();
}

void TransferCommands::exportPdfs() {
  if (_panel) return;
  auto* panel = new QFileDialog(_document.mainWindow(), QStringLiteral("選択"));
  panel->setOption(QFileDialog::DontUseNativeDialog);
  panel->setAcceptMode(QFileDialog::AcceptOpen);
  panel->setFileMode(QFileDialog::Directory);
  panel->setOption(QFileDialog::ShowDirsOnly);
  panel->setLabelText(QFileDialog::Accept, QStringLiteral("選択"));
  panel->setWindowModality(Qt::WindowModal);
  connect(panel, &QDialog::finished, this, [this](int result) { exportPanelDidEnd(result == QDialog::Accepted); });
  _panel = panel;
  panel->open();
}

void TransferCommands::exportPanelDidEnd(bool accepted) {
  QFileDialog* panel = _panel;
  const DeleteWhenDone dispose(panel);
  _panel = nullptr;
  if (!accepted || panel == nullptr || panel->selectedFiles().isEmpty()) return;
  const QByteArray folder = panel->selectedFiles().first().toUtf8();
  ++_busy;
  const ExportResult result = ExportPDFFiles(_document.flnData(), folder.constData(), _document.selectedEntryRows());
  --_busy;
  // The entries' dates changed; the list shows them as they are now.
  EntryListModel* model = _document.entryListModel();
  model->dataChanged(model->index(0, 0), model->index(model->rowCount() - 1, model->columnCount() - 1));
  if (result.status == ExportStatus::FolderUnusable) {
    _document.alert(QStringLiteral("「%1」には書き出せません。フォルダが見つかりません。").arg(QString::fromUtf8(folder)));
  } else if (!result.problems.empty()) {
    _document.alert(ExportProblemMessage(result.problems, _document.flnData()));
  }
  if (!result.saved) _document.reportSaveFailure();
}

void TransferCommands::deletePdfs() {
  const std::vector<int> rows = _document.selectedEntryRows();
  if (rows.empty()) return;
  if (!_document.confirmDestructive(DeletePdfConfirmMessage(SelectedEntryTitles(_document.flnData(), rows))))
    return;
  // An entry's windows close before it goes, so none is left showing a
  // removed record.
  ChildWindowRegistry* windows = _document.childWindows();
  const DeleteResult result =
      DeletePDFEntries(_document.flnData(), rows, [windows](int32_t storedId) { windows->closeWindowsOf(storedId); });
  _document.makeEntryList();
  _document.updateFullTextIndex();
  _document.entryListBox()->clearSelection();
  if (!result.saved) _document.reportSaveFailure();
}

void TransferCommands::refillTitlesFromPdfs() {
  const std::vector<int> rows = _document.selectedEntryRows();
  if (rows.empty()) return;
  if (!_document.confirmDestructive(
          tr("選択した%1件の項目のタイトルと著者を、PDFの情報で置き換えてもよろしいですか？").arg(rows.size())))
    return;
  ++_busy;
  const PdfInfoRefillResult result = RefillTitlesFromPdfInfo(_document.flnData(), rows, ReadPdfTitleAndAuthor);
  --_busy;
  // The rows stay where they are; their titles and authors show as they are
  // now, in the list and in the entries' open windows.
  if (result.changed > 0) _document.childWindows()->updateAll();
  EntryListModel* model = _document.entryListModel();
  model->dataChanged(model->index(0, 0), model->index(model->rowCount() - 1, model->columnCount() - 1));
  if (!result.problems.empty())
    _document.alert(ExportProblemMessage(result.problems, _document.flnData()));
  else if (result.changed == 0)
    _document.alert(tr("選択したPDFには、タイトルや著者として使える情報がありませんでした。"));
  if (!result.saved) _document.reportSaveFailure();
}
