#include "gui/library/TransferCommands.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QProgressDialog>
#include <QSettings>
#include <QStringList>
#include <QTableView>
#include <array>
#include <cstring>

#include "categories/CategoryLists.h"
#include "categories/CategoryNameInput.h"
#include "format/CategoryNames.h"
#include "gui/category/CategoryChooserViewController.h"
#include "gui/library/CategoryLevelPane.h"
#include "gui/library/ChildWindowRegistry.h"
#include "gui/library/DroppedFiles.h"
#include "gui/library/EntryListModel.h"
#include "gui/library/FolianDocument.h"
#include "gui/library/FolianMainWindow.h"
#include "gui/shell/Alert.h"
#include "gui/shell/FailureListText.h"
#include "gui/shell/FailureReasonText.h"
#include "gui/shell/ProgressDialog.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnCopy.h"
#include "library/FlnPreference.h"
#include "library/FlnUpgrade.h"
#include "pdftext/PdfTitleAuthor.h"
#include "storage/OwnedAry.h"
#include "transfer/ImportFit.h"
#include "transfer/LibraryMerge.h"
#include "transfer/PdfDelete.h"
#include "transfer/PdfExport.h"
#include "transfer/PdfImport.h"
#include "transfer/PdfInfoRefill.h"

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

// Titles from the PDFs' own information, as the import panel's box was last
// left.
PdfInfoReader RememberedInfoReader() {
  return ImportSettings().value(kTitleFromPdfKey, true).toBool() ? PdfInfoReader(ReadPdfTitleAndAuthor)
                                                                 : PdfInfoReader();
}

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
  const std::array<std::string, 3> choices = currentImportCategories();
  for (int level = 1; level <= 3; ++level) {
    const std::string& select = choices[level - 1];
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
    panel->setWindowTitle(tr("フォルダから一括読み込み"));
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly);
  } else {
    panel->setWindowTitle(tr("PDFを読み込む"));
    panel->setFileMode(QFileDialog::ExistingFile);
    panel->setNameFilter(QStringLiteral("PDF (*.pdf)"));
  }
  const QString start =
      RememberedFolder(_document.flnData()->filePath, folder ? kTagPrefFolderImport : kTagPrefFileImport);
  if (!start.isEmpty() && QFileInfo(start).isDir()) panel->setDirectory(start);
  auto* skipDuplicates = new QCheckBox(tr("ライブラリにすでにあるPDFは読み込まない"), panel);
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
              return ImportPDFFiles(_document.flnData(), chosen.constData(), panelFolder.constData(), names[0],
                                    names[1], names[2], progress, skipDuplicates, readInfo);
            });
}

std::array<std::string, 3> TransferCommands::currentImportCategories() const {
  std::array<std::string, 3> cats;
  for (int level = 1; level <= 3; ++level) {
    cats[level - 1] = _document.folianCategory(level)->getSelectedCategoryName();
    if (cats[level - 1] == kCategoryAll) cats[level - 1] = kCategoryOther;
  }
  return cats;
}

void TransferCommands::runImport(const std::vector<std::string>& paths, const std::array<std::string, 3>& cats,
                                 bool withProgress, bool skipDuplicates, const ImportRun& import) {
  for (const std::string& cat : cats) {
    const QString refusal = CheckEntryCategoryName(cat.c_str(), false);
    if (!refusal.isEmpty()) {
      _document.alert(refusal + tr("\n何も読み込んでいません。"));
      return;
    }
  }
  const char* const names[3] = {cats[0].c_str(), cats[1].c_str(), cats[2].c_str()};

  // A conversion asked for by one path serves the others too.
  for (const std::string& path : paths)
    if (!convertIfImportNeeds(QByteArray::fromStdString(path))) return;

  const ImportResult result = _document.runLongCommand([&] {
    if (!withProgress) return import(names, nullptr);
    QProgressDialog* progress = MakeProgressDialog(_document.mainWindow(), tr("読み込み中"));
    ImportResult imported = import(names, [progress](int32_t done, int32_t total, const std::string& path) {
      progress->setMaximum(total);
      progress->setValue(done);
      progress->setLabelText(
          tr("%1 / %2 件\n%3").arg(done + 1).arg(total).arg(QFileInfo(QString::fromStdString(path)).fileName()));
      // Keeps the window painted and the Cancel button working.
      QCoreApplication::processEvents();
      return !progress->wasCanceled();
    });
    delete progress;
    return imported;
  });

  _document.refreshAfterImport();
  reportImport(result, skipDuplicates);
}

void TransferCommands::reportImport(const ImportResult& result, bool skipDuplicates) {
  if (result.status == ImportStatus::LibraryUnavailable) {
    _document.alert(tr("ライブラリのファイルに書き込めないため、読み込めませんでした。"));
  } else if (result.status == ImportStatus::CategoryNameTooLong) {
    _document.alert(tr("分類名が長すぎるため、読み込めませんでした。"));
  } else {
    // One report: the files left out, then those stored that are no PDF.
    QStringList report;
    if (!result.failures.empty()) report << ImportFailureMessage(result.failures);
    if (!result.notPdf.empty()) report << NotPdfMessage(result.notPdf);
    if (!report.isEmpty()) _document.alert(report.join(QStringLiteral("\n\n")));
  }
  if (!result.duplicates.empty()) _document.alert(DuplicateListMessage(result.duplicates, skipDuplicates));
  if (!result.decodedNames.empty()) _document.alert(ImportDecodedNameMessage(result.decodedNames));
  if (!result.save.ok()) _document.reportSaveFailure(result.save);
}

void TransferCommands::mergeLibraries() {
  if (_panel) return;
  auto* panel = new QFileDialog(_document.mainWindow(), tr("ライブラリを結合"));
  panel->setOption(QFileDialog::DontUseNativeDialog);
  panel->setAcceptMode(QFileDialog::AcceptOpen);
  panel->setFileMode(QFileDialog::ExistingFile);
  panel->setNameFilter(tr("Folianライブラリ (*.fln)"));
  panel->setDirectory(QFileInfo(_document.fileName()).absolutePath());
  auto* skipDuplicates = new QCheckBox(tr("このライブラリにすでにあるPDFは結合しない"), panel);
  skipDuplicates->setObjectName(QStringLiteral("skipDuplicatesBox"));
  if (auto* grid = qobject_cast<QGridLayout*>(panel->layout()))
    grid->addWidget(skipDuplicates, grid->rowCount(), 0, 1, grid->columnCount());
  panel->setWindowModality(Qt::WindowModal);
  connect(panel, &QDialog::finished, this, [this](int result) { mergePanelDidEnd(result == QDialog::Accepted); });
  _panel = panel;
  panel->open();
}

void TransferCommands::mergePanelDidEnd(bool accepted) {
  QFileDialog* panel = _panel;
  const DeleteWhenDone dispose(panel);
  _panel = nullptr;
  if (!accepted || panel == nullptr || panel->selectedFiles().isEmpty()) return;
  const QString other = panel->selectedFiles().first();
  const auto* skipBox = panel->findChild<QCheckBox*>(QStringLiteral("skipDuplicatesBox"));
  const bool skipDuplicates = skipBox != nullptr && skipBox->isChecked();

  QProgressDialog* progress = MakeProgressDialog(_document.mainWindow(), tr("結合中"));
  const MergeResult result = _document.runLongCommand([&] {
    return MergeLibraryFile(
        _document.flnData(), other.toUtf8().constData(),
        [progress](int32_t done, int32_t total, const std::string& name) {
          progress->setMaximum(total);
          progress->setValue(done);
          progress->setLabelText(tr("%1 / %2 件\n%3").arg(done + 1).arg(total).arg(QString::fromStdString(name)));
          QCoreApplication::processEvents();
          return !progress->wasCanceled();
        },
        skipDuplicates);
  });
  delete progress;

  if (!result.other.ok()) {
    _document.alert(tr("「%1」を結合できません。何も読み込んでいません。\n%2")
                        .arg(QFileInfo(other).fileName(), FailureReasonText(result.other)));
    return;
  }
  _document.refreshAfterImport();
  if (result.merged.status == ImportStatus::Completed || result.merged.status == ImportStatus::Stopped)
    _document.alert(tr("「%1」のエントリ%2件のうち%3件を結合しました。")
                        .arg(QFileInfo(other).fileName())
                        .arg(result.merged.listed)
                        .arg(result.merged.imported));
  reportImport(result.merged, skipDuplicates);
}

bool TransferCommands::convertIfImportNeeds(const QByteArray& chosen) {
  const ImportFitCheck fit = CheckImportFits(_document.flnData(), chosen.toStdString());
  if (fit.fits || fit.wide) return true;
  const QString name = QFileInfo(_document.fileName()).fileName();
  const QString question = tr("この読み込みで、ライブラリ「%1」のファイルは 4 GB "
                              "を超えます。今のファイル形式には 4 GB までしか"
                              "入りません。\n\nライブラリを 4 GB "
                              "を超えられる新しい形式（64ビット）に変換してから読み込みますか？"
                              "\n・エントリ、分類、PDF "
                              "はそのまま変わりません。\n・変換したライブラリは、この形式を知らない"
                              "古い"
                              "版の Folian "
                              "では開けなくなります。\n・変換のあいだ、ライブラリと同じ大きさ（%"
                              "2）の空き容量が"
                              "一時的に必要です。\n\n「いいえ」を選ぶと、何も読み込みません。")
                               .arg(name, QLocale().formattedDataSize(static_cast<qint64>(fit.fileSize)));
  if (!_document.confirmDestructive(question)) {
    _document.alert(tr("ライブラリを変換しなかったため、何も読み込みませんでした。"));
    return false;
  }
  QProgressDialog* progress = MakeProgressDialog(_document.mainWindow(), tr("ライブラリを変換中"));
  progress->setLabelText(tr("「%1」を 4 GB を超えられる形式に変換しています…").arg(name));
  constexpr int kMiB = 20;
  LibraryLock unguarded;  // a window without a lock (no file system lock)
                          // converts unguarded, as it saves
  LibraryLock* lock = _document.libraryLock() != nullptr ? _document.libraryLock() : &unguarded;
  const FlnResult converted = _document.runLongCommand([&] {
    return UpgradeLoadedLibrary(_document.flnData(), lock, LibraryLockHolder::Window,
                                [progress](uint64_t done, uint64_t total) {
                                  progress->setMaximum(static_cast<int>(total >> kMiB));
                                  progress->setValue(static_cast<int>(done >> kMiB));
                                  QCoreApplication::processEvents();
                                  return !progress->wasCanceled();
                                });
  });
  delete progress;
  if (converted.status == FlnStatus::Stopped) {
    _document.alert(
        tr("変換を中止しました。ライブラリは元のままで、何も読み込"
           "んでいません。"));
    return false;
  }
  if (!converted.ok()) {
    _document.alert(tr("ライブラリを変換できませんでした。ライブラリは元のまま"
                       "で、何も読み込んでいません。\n%1")
                        .arg(FailureReasonText(converted)));
    return false;
  }
  return true;
}

void TransferCommands::saveCopy() {
  if (_panel) return;
  auto* panel = new QFileDialog(_document.mainWindow(), tr("コピーを保存"));
  panel->setOption(QFileDialog::DontUseNativeDialog);
  panel->setAcceptMode(QFileDialog::AcceptSave);
  panel->setNameFilter(tr("Folianライブラリ (*.fln)"));
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
      _document.alert(tr("開いているライブラリ自身のファイルには保存できません。"));
    } else if (!copied.ok()) {
      QString message = tr("「%1」にコピーを保存できませんでした。").arg(QFileInfo(target).fileName());
      message += QLatin1Char('\n') + FailureReasonText(copied);
      _document.alert(message);
    } else if (leftOut > 0) {
      _document.alert(tr("%1件のPDFはライブラリから読み出せなかったため、コピー"
                         "に含めていません。")
                          .arg(leftOut));
    }
  });
  _panel = panel;
  panel->open();
}

void TransferCommands::exportPdfs() {
  if (_panel) return;
  auto* panel = new QFileDialog(_document.mainWindow(), tr("選択"));
  panel->setOption(QFileDialog::DontUseNativeDialog);
  panel->setAcceptMode(QFileDialog::AcceptOpen);
  panel->setFileMode(QFileDialog::Directory);
  panel->setOption(QFileDialog::ShowDirsOnly);
  panel->setLabelText(QFileDialog::Accept, tr("選択"));
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
  const ExportResult result = _document.runLongCommand(
      [&] { return ExportPDFFiles(_document.flnData(), folder.constData(), _document.selectedEntryRows()); });
  // The entries' dates changed; the list shows them as they are now.
  EntryListModel* model = _document.entryListModel();
  model->dataChanged(model->index(0, 0), model->index(model->rowCount() - 1, model->columnCount() - 1));
  if (result.status == ExportStatus::FolderUnusable) {
    _document.alert(tr("「%1」には書き出せません。フォルダが見つかりません。").arg(QString::fromUtf8(folder)));
  } else if (!result.problems.empty()) {
    _document.alert(ExportProblemMessage(result.problems, _document.flnData()));
  }
  if (!result.save.ok()) _document.reportSaveFailure(result.save);
}

void TransferCommands::deletePdfs() {
  const std::vector<int> rows = _document.selectedEntryRows();
  if (rows.empty()) return;
  if (!_document.confirmDestructive(DeletePdfConfirmMessage(SelectedEntryTitles(_document.flnData(), rows)))) return;
  // An entry's windows close before it goes, so none is left showing a
  // removed record.
  ChildWindowRegistry* windows = _document.childWindows();
  const DeleteResult result =
      DeletePDFEntries(_document.flnData(), rows, [windows](int32_t storedId) { windows->closeWindowsOf(storedId); });
  _document.makeEntryList();
  _document.updateFullTextIndex();
  _document.entryListBox()->clearSelection();
  if (!result.save.ok()) _document.reportSaveFailure(result.save);
}

void TransferCommands::refillTitlesFromPdfs() {
  const std::vector<int> rows = _document.selectedEntryRows();
  if (rows.empty()) return;
  if (!_document.confirmDestructive(tr("選択した%"
                                       "1件の項目のタイトルと著者を、PDFの情報"
                                       "で置き換えてもよろしいですか？")
                                        .arg(rows.size())))
    return;
  const PdfInfoRefillResult result = _document.runLongCommand(
      [&] { return RefillTitlesFromPdfInfo(_document.flnData(), rows, ReadPdfTitleAndAuthor); });
  // The rows stay where they are; their titles and authors show as they are
  // now, in the list and in the entries' open windows.
  if (result.changed > 0) _document.childWindows()->updateAll();
  EntryListModel* model = _document.entryListModel();
  model->dataChanged(model->index(0, 0), model->index(model->rowCount() - 1, model->columnCount() - 1));
  if (!result.problems.empty())
    _document.alert(ExportProblemMessage(result.problems, _document.flnData()));
  else if (result.changed == 0)
    _document.alert(tr("選択したPDFには、タイトルや著者として使える情報がありませんでした。"));
  if (!result.save.ok()) _document.reportSaveFailure(result.save);
}

void TransferCommands::dropFiles(const QList<QUrl>& urls) {
  if (_document.busy() || _panel) {
    QApplication::beep();
    return;
  }
  const DroppedFiles dropped = SortDroppedUrls(urls);
  if (!dropped.refused.isEmpty()) _document.alert(DropRefusedMessage(dropped.refused));
  if (!dropped.importPaths.isEmpty()) {
    std::vector<std::string> paths;
    for (const QString& path : dropped.importPaths) paths.push_back(QFile::encodeName(path).toStdString());
    const PdfInfoReader readInfo = RememberedInfoReader();
    runImport(
        paths, currentImportCategories(), true, false, [&](const char* const names[3], const ImportProgress& progress) {
          return ImportPDFPaths(_document.flnData(), paths, names[0], names[1], names[2], progress, false, readInfo);
        });
  }
  for (const QString& library : dropped.libraries) emit _document.openLibraryRequested(library);
}

QList<QUrl> TransferCommands::exportForDrag(const std::vector<int>& rows) {
  if (rows.empty() || _document.busy()) return {};
  auto folder = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("folian-drag-XXXXXX")));
  if (!folder->isValid()) {
    _document.alert(tr("一時フォルダを作れないため、PDFを渡せません。\n") + folder->errorString());
    return {};
  }
  const ExportResult result = _document.runLongCommand([&] {
    return ExportPDFFiles(_document.flnData(), QFile::encodeName(folder->path()).constData(), rows,
                          ExportMode::PdfOnly);
  });
  if (!result.problems.empty() || result.status != ExportStatus::Completed) {
    if (!result.problems.empty()) _document.alert(ExportProblemMessage(result.problems, _document.flnData()));
    return {};
  }
  QList<QUrl> urls;
  for (const ExportedFile& file : result.exported)
    urls << QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(file.pdfPath)));
  // The folder stays: the receiving program may read the files after the drop.
  if (!urls.isEmpty()) _dragFolders.push_back(std::move(folder));
  return urls;
}
