// Titles and authors from the PDFs in the library window: the import
// panel's check box and the command that fills them in again.

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QSettings>
#include <QTableView>

#include "TextPdf.h"
#include "WindowFixture.h"
#include "gui/library/EntryListModel.h"
#include "gui/library/LibraryMenus.h"
#include "gui/library/TransferCommands.h"

namespace apptest {
namespace {

using PdfInfo = WindowFixture;

QByteArray PdfTitled(const std::string& page, const std::string& info) {
  const std::string pdf = testsupport::TextPdf({page}, {info, ""});
  return QByteArray(pdf.data(), static_cast<qsizetype>(pdf.size()));
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

TEST_F(PdfInfo, TheImportPanelsCheckBoxTakesTitlesFromThePdfsAndIsRemembered) {
  QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("FOLIAN"), QStringLiteral("import")).clear();
  FolianDocument* document = open(LibraryContents());
  ASSERT_NE(document, nullptr);
  WriteFile(dir.filePath("one.pdf"), PdfTitled("1", "<< /Title <FEFF8AD66587> /Author (Jane Doe) >>"));
  WriteFile(dir.filePath("two.pdf"), PdfTitled("2", "<< /Title (Second Paper) >>"));
  WriteFile(dir.filePath("three.pdf"), PdfTitled("3", "<< /Title (Microsoft Word - three.doc) >>"));
  const struct {
    const char* file;
    bool checkedBefore;  // as the panel offers it
    bool check;
    QString title;
    QString author;
  } cases[] = {
      {"one.pdf", true, true, QStringLiteral("論文"), "Jane Doe"},
      {"two.pdf", true, false, "two.pdf", ""},
      {"three.pdf", false, true, "three.pdf", ""},  // no plausible title: the file name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    document->transfer()->importPdf();
    QFileDialog* panel = document->transfer()->currentPanel();
    ASSERT_NE(panel, nullptr);
    auto* box = panel->findChild<QCheckBox*>(QStringLiteral("titleFromPdfBox"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("PDFの情報からタイトルを設定"));
    EXPECT_EQ(box->isChecked(), c.checkedBefore);
    box->setChecked(c.check);
    if (c.check && !qEnvironmentVariableIsEmpty("FOLIAN_SCREENSHOT_DIR"))
      panel->grab().save(qEnvironmentVariable("FOLIAN_SCREENSHOT_DIR") + QStringLiteral("/import-panel-title.png"));
    panel->setDirectory(dir.path());
    panel->selectFile(dir.filePath(c.file));
    static_cast<QDialog*>(panel)->accept();
    const int row = EntryColumn(document, "fileName").indexOf(QString::fromLatin1(c.file));
    ASSERT_GE(row, 0);
    EXPECT_EQ(EntryColumn(document, "title")[row], c.title);
    EXPECT_EQ(EntryColumn(document, "author")[row], c.author);
  }
}

TEST_F(PdfInfo, TheRefillCommandAsksThenTakesTheSelectedEntriesTitlesFromTheirPdfs) {
  FolianDocument* document = open(LibraryContents());
  ASSERT_NE(document, nullptr);
  WriteFile(dir.filePath("one.pdf"), PdfTitled("1", "<< /Title (From The PDF) /Author (A. Writer) >>"));
  WriteFile(dir.filePath("bare.pdf"), PdfTitled("2", "<< /Producer (Scanner) >>"));
  for (const char* file : {"one.pdf", "bare.pdf"}) {
    document->transfer()->importPdf();
    QFileDialog* panel = document->transfer()->currentPanel();
    ASSERT_NE(panel, nullptr);
    panel->findChild<QCheckBox*>(QStringLiteral("titleFromPdfBox"))->setChecked(false);
    panel->setDirectory(dir.path());
    panel->selectFile(dir.filePath(file));
    static_cast<QDialog*>(panel)->accept();
  }
  ASSERT_EQ(EntryColumn(document, "title"), EntryColumn(document, "fileName"));
  const int one = EntryColumn(document, "fileName").indexOf("one.pdf");
  const int bare = EntryColumn(document, "fileName").indexOf("bare.pdf");
  EXPECT_FALSE(document->menus()->refillTitlesFromPdfs->isEnabled());

  const struct {
    int row;
    bool yes;
    QString title;
    QStringList alerts;
  } cases[] = {
      {one, false, "one.pdf", {"選択した1件の項目のタイトルと著者を、PDFの情報で置き換えてもよろしいですか？"}},
      {one, true, "From The PDF", {"選択した1件の項目のタイトルと著者を、PDFの情報で置き換えてもよろしいですか？"}},
      {bare, true, "bare.pdf",
       {"選択した1件の項目のタイトルと著者を、PDFの情報で置き換えてもよろしいですか？",
        "選択したPDFには、タイトルや著者として使える情報がありませんでした。"}},
  };
  for (const auto& c : cases) {
    document->entryListBox()->selectRow(c.row);
    ASSERT_TRUE(document->menus()->refillTitlesFromPdfs->isEnabled());
    ScriptedAlerts alerts;
    alerts.answers = {c.yes};
    document->menus()->refillTitlesFromPdfs->trigger();
    EXPECT_EQ(alerts.texts(), c.alerts);
    EXPECT_EQ(EntryColumn(document, "title")[c.row], c.title);
  }
  EXPECT_EQ(EntryColumn(document, "author")[one], "A. Writer");
}

TEST_F(PdfInfo, AnOpenInformationWindowShowsTheNewTitle) {
  FolianDocument* document = open(LibraryContents());
  ASSERT_NE(document, nullptr);
  WriteFile(dir.filePath("one.pdf"), PdfTitled("1", "<< /Title (From The PDF) >>"));
  document->transfer()->importPdf();
  QFileDialog* panel = document->transfer()->currentPanel();
  ASSERT_NE(panel, nullptr);
  panel->findChild<QCheckBox*>(QStringLiteral("titleFromPdfBox"))->setChecked(false);
  panel->setDirectory(dir.path());
  panel->selectFile(dir.filePath("one.pdf"));
  static_cast<QDialog*>(panel)->accept();
  document->entryListBox()->selectRow(0);
  document->showInfo();
  const auto windowTitles = [] {
    QStringList titles;
    for (QWidget* window : QApplication::topLevelWidgets())
      if (window->isVisible()) titles << window->windowTitle();
    return titles;
  };
  ASSERT_FALSE(windowTitles().filter("one.pdf").isEmpty()) << windowTitles().join(" | ").toStdString();
  ScriptedAlerts alerts;
  alerts.answers = {true};
  document->menus()->refillTitlesFromPdfs->trigger();
  EXPECT_FALSE(windowTitles().filter("From The PDF").isEmpty()) << windowTitles().join(" | ").toStdString();
}

}  // namespace
}  // namespace apptest
