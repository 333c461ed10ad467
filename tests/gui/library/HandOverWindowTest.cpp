// Handing the selected entries' PDFs to other programs: what the desktop is
// asked to open, and what the file manager is asked to show. A fake URL
// handler stands in for the desktop; a private D-Bus daemon with a fake file
// manager on it for the file manager.

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QTableView>
#include <QUrl>
#include <map>

#include "TestPdfFiles.h"
#include "WindowFixture.h"
#include "gui/library/LibraryMenus.h"
#include "gui/library/EntryListModel.h"
#include "gui/shell/FileManager.h"
#include "library/FlnLoad.h"
#include "transfer/PdfImport.h"

namespace apptest {
namespace {

// Takes every file: URL the program asks the desktop to open.
class FakeDesktop : public QObject {
  Q_OBJECT

 public:
  FakeDesktop() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
  ~FakeDesktop() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened << url; }
};

// The file manager's D-Bus interface, recording what it is asked to show.
class FakeFileManager : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

 public:
  explicit FakeFileManager(QObject* parent) : QDBusAbstractAdaptor(parent) {}
  QStringList shown;

 public slots:
  void ShowItems(const QStringList& uris, const QString&) { shown << uris; }
};

// A session bus of the test's own; stopped with the object.
class PrivateBus {
 public:
  PrivateBus() {
    daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                  QStringLiteral("--print-address")});
    if (daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000))
      address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
  }
  ~PrivateBus() {
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-file-manager"));
    QDBusConnection::disconnectFromBus(QStringLiteral("folian"));
    daemon_.kill();
    daemon_.waitForFinished(5000);
  }
  QString address() const { return address_; }
  QDBusConnection connect(const QString& name) const { return QDBusConnection::connectToBus(address_, name); }

 private:
  QProcess daemon_;
  QString address_;
};

class HandOver : public WindowFixture {
 protected:
  // A library with one entry per PDF (named by `names`), each a PDF of its own.
  FolianDocument* openLibraryWithPdfs(const QStringList& names) {
    WriteLibrary(path(), LibraryContents());
    const QByteArray libraryPath = path().toUtf8();
    FLN_DATA data;
    EXPECT_TRUE(ReadFlnDataFromFlnFile(libraryPath.constData(), &data).ok());
    for (const QString& name : names) {
      QFile file(dir.filePath(name));
      EXPECT_TRUE(file.open(QIODevice::WriteOnly));
      pdfs[name] = MakeTextPdf({name});
      file.write(pdfs[name]);
      file.close();
      const QByteArray pdfPath = file.fileName().toUtf8();
      EXPECT_EQ(ImportPDFFiles(&data, pdfPath.constData(), nullptr, "", "", "").imported, 1) << name.toStdString();
    }
    FreeFlnData(&data);
    return reopen();
  }

  static QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  std::map<QString, QByteArray> pdfs;
};

TEST_F(HandOver, OpenWithAnotherApplicationHandsOverPrivateCopiesOfTheSelectedPdfs) {
  FolianDocument* document = openLibraryWithPdfs({"論文.pdf", "b.pdf", "c.pdf"});
  ASSERT_NE(document, nullptr);
  EXPECT_FALSE(document->menus()->openWithApplication->isEnabled());
  EXPECT_FALSE(document->menus()->showInFileManager->isEnabled());

  const QStringList titles = EntryColumn(document, "title");
  document->entryListBox()->selectRow(titles.indexOf("論文.pdf"));
  document->entryListBox()->selectionModel()->select(
      document->entryListModel()->index(titles.indexOf("c.pdf"), 0),
      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  ASSERT_TRUE(document->menus()->openWithApplication->isEnabled());
  EXPECT_TRUE(document->menus()->showInFileManager->isEnabled());

  FakeDesktop desktop;
  ScriptedAlerts alerts;
  document->menus()->openWithApplication->trigger();
  EXPECT_TRUE(alerts.asked.empty()) << alerts.texts().join('\n').toStdString();
  ASSERT_EQ(desktop.opened.size(), 2);
  QStringList names;
  for (const QUrl& url : desktop.opened) {
    ASSERT_TRUE(url.isLocalFile()) << url.toString().toStdString();
    const QFileInfo file(url.toLocalFile());
    names << file.fileName();
    EXPECT_EQ(Contents(file.filePath()), pdfs[file.fileName()]) << file.filePath().toStdString();
    EXPECT_EQ(file.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther), QFile::Permissions())
        << file.filePath().toStdString();
    // Inside the private folder, which only the user can enter.
    EXPECT_TRUE(file.filePath().startsWith(PrivateHandOverFolder() + '/')) << file.filePath().toStdString();
  }
  names.sort();
  EXPECT_EQ(names, QStringList({"c.pdf", "論文.pdf"}));
  EXPECT_EQ(QFileInfo(PrivateHandOverFolder()).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::ExeOther),
            QFile::Permissions());
}

TEST_F(HandOver, ManyPdfsAreOpenedOnlyWhenTheUserSaysSo) {
  QStringList many;
  for (int i = 0; i < 11; ++i) many << QStringLiteral("p%1.pdf").arg(i);
  FolianDocument* document = openLibraryWithPdfs(many);
  ASSERT_NE(document, nullptr);
  document->entryListBox()->selectAll();
  for (const bool yes : {false, true}) {
    FakeDesktop desktop;
    ScriptedAlerts alerts;
    alerts.answers = {yes};
    document->menus()->openWithApplication->trigger();
    EXPECT_EQ(alerts.texts(), QStringList({"11件のPDFをそれぞれ別のアプリケーションで開きますか？"}));
    EXPECT_EQ(desktop.opened.size(), yes ? 11 : 0);
  }
}

TEST_F(HandOver, ShowInTheFileManagerAsksTheFileManagerOrElseOpensTheFolder) {
  FolianDocument* document = openLibraryWithPdfs({"a.pdf"});
  ASSERT_NE(document, nullptr);
  PrivateBus bus;
  ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
  const QString file = PrivateHandOverFolder() + QStringLiteral("/shown.pdf");

  // A bus without a file manager on it: the folder is opened instead.
  {
    FakeDesktop desktop;
    ShowInFileManager({file}, bus.connect(QStringLiteral("folian")));
    ASSERT_TRUE(WaitUntil([&] { return !desktop.opened.isEmpty(); }));
    EXPECT_EQ(desktop.opened, QList<QUrl>({QUrl::fromLocalFile(PrivateHandOverFolder())}));
  }
  // The file manager on the bus is asked to show the file itself.
  QObject service;
  auto* fileManager = new FakeFileManager(&service);
  QDBusConnection serviceSide = bus.connect(QStringLiteral("fake-file-manager"));
  ASSERT_TRUE(serviceSide.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &service));
  ASSERT_TRUE(serviceSide.registerService(QStringLiteral("org.freedesktop.FileManager1")));
  FakeDesktop desktop;
  ShowInFileManager({file}, bus.connect(QStringLiteral("folian")));
  ASSERT_TRUE(WaitUntil([&] { return !fileManager->shown.isEmpty(); }));
  EXPECT_EQ(fileManager->shown, QStringList({QUrl::fromLocalFile(file).toString()}));
  QTest::qWait(50);
  EXPECT_TRUE(desktop.opened.isEmpty());

  // Without any bus (the tests run without one), straight to the folder:
  // from the window, the folder of the entry's copy.
  document->entryListBox()->selectRow(0);
  FakeDesktop fallback;
  document->menus()->showInFileManager->trigger();
  ASSERT_EQ(fallback.opened.size(), 1);
  const QString folder = fallback.opened[0].toLocalFile();
  EXPECT_TRUE(folder.startsWith(PrivateHandOverFolder() + '/')) << folder.toStdString();
  EXPECT_EQ(Contents(folder + QStringLiteral("/a.pdf")), pdfs["a.pdf"]);
}

}  // namespace
}  // namespace apptest

#include "HandOverWindowTest.moc"
