// Handing the selected entries' PDFs to other programs: the system's PDF
// application and the file manager. Both work on copies in the program's
// private hand-over folder; the library itself is only read.

#include <QFileInfo>

#include "gui/library/FolianDocument.h"
#include "gui/shell/FailureListText.h"
#include "gui/shell/FileManager.h"
#include "transfer/PdfOpenCopy.h"

namespace {

// More windows than this at once are asked about first: a selection of
// hundreds of entries would otherwise start hundreds of viewers.
constexpr int kOpenWithoutAsking = 10;

}  // namespace

QStringList FolianDocument::handOverCopies() {
  const std::vector<int> rows = selectedEntryRows();
  if (rows.empty()) return {};
  const QString folder = PrivateHandOverFolder();
  if (folder.isEmpty()) {
    alert(tr("一時フォルダを作れないため、PDFを渡せませんでした。"));
    return {};
  }
  const OpenCopyResult copies = WritePdfCopiesForOpening(&_fln_data, folder.toStdString(), rows);
  if (!copies.problems.empty()) alert(ExportProblemMessage(copies.problems, &_fln_data));
  QStringList paths;
  for (const std::string& path : copies.paths) paths << QString::fromStdString(path);
  return paths;
}

void FolianDocument::openWithApplication() {
  const size_t count = selectedEntryRows().size();
  if (count > kOpenWithoutAsking &&
      !confirmDestructive(tr("%1件のPDFをそれぞれ別のアプリケーションで開きますか？").arg(count)))
    return;
  const QStringList failed = OpenWithDesktopApplications(handOverCopies());
  if (!failed.isEmpty()) {
    QStringList names;
    for (const QString& path : failed) names << QFileInfo(path).fileName();
    alert(tr("PDFを開くアプリケーションが見つかりませんでした。\n%1").arg(names.join(u'\n')));
  }
}

void FolianDocument::showInFileManager() { ShowInFileManager(handOverCopies()); }
