// The library window's child windows driven offscreen: one information
// window per entry and one viewer per PDF, brought forward when asked for
// again; their stacking order stored at close and restored at the next
// opening; and deletion closing the windows of the entries it removes.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QPointer>
#include <QTableView>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "TestPdfFiles.h"
#include "WindowFixture.h"
#include "gui/library/TransferCommands.h"
#include "gui/entry/EntryDlg.h"
#include "gui/library/ChildWindowRegistry.h"
#include "gui/library/LibraryMenus.h"
#include "gui/viewer/ViewPDFDlg.h"
#include "gui/shell/WindowActivationOrder.h"
#include "library/FlnLoad.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "storage/ZelFile.h"
#include "TestFiles.h"
#include "transfer/PdfImport.h"

namespace {

using apptest::WaitUntil;

// What an entry stored about its windows when the library closed.
struct StoredOrders {
  int entryWindow;
  int pdfWindow;
};

class ChildWindowsTest : public apptest::WindowFixture {
 protected:
  // A library with one entry per title, each with a PDF of its own, imported
  // one file at a time.
  FolianDocument* openLibraryWithPdfs(const std::vector<std::string>& titles) {
    apptest::WriteLibrary(path(library), apptest::LibraryContents());
    const QByteArray libraryPath = path(library).toUtf8();
    FLN_DATA data;
    EXPECT_TRUE(ReadFlnDataFromFlnFile(libraryPath.constData(), &data).ok());
    for (const std::string& title : titles) {
      const QString pdf = dir.filePath(QString::fromStdString(title));
      QFile file(pdf);
      EXPECT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(apptest::MakeTextPdf({QString::fromStdString(title)}));
      file.close();
      const QByteArray pdfPath = pdf.toUtf8();
      const QByteArray folder = dir.path().toUtf8();
      const ImportResult result =
          ImportPDFFiles(&data, pdfPath.constData(), folder.constData(), "その他", "その他", "その他");
      EXPECT_EQ(result.imported, 1) << title;
    }
    FreeFlnData(&data);
    return reopen(library);
  }

  // The entry list's row showing `title` (the file name), or -1.
  static int RowOf(FolianDocument* document, const std::string& title) {
    return apptest::EntryColumn(document, "title").indexOf(QString::fromStdString(title));
  }

  static FLN_ENTRY EntryAtRow(FolianDocument* document, int row) {
    FLN_ENTRY entry;
    EXPECT_EQ(GetFLNEntry_ByFLNData(document->flnData(), row, &entry), 1);
    return entry;
  }

  static void SelectTitle(FolianDocument* document, const std::string& title) {
    const int row = RowOf(document, title);
    ASSERT_GE(row, 0) << title;
    apptest::ClickRow(document->entryListBox(), row);
  }

  static EntryDlg* InfoWindowOf(FolianDocument* document, const std::string& title) {
    return document->childWindows()->entryWindow(EntryAtRow(document, RowOf(document, title)));
  }
  static ViewPDFDlg* ViewerOf(FolianDocument* document, const std::string& title) {
    return document->childWindows()->viewer(EntryAtRow(document, RowOf(document, title)));
  }

  static void OpenInfo(FolianDocument* document, const std::string& title) {
    SelectTitle(document, title);
    document->showInfo();
  }
  static void OpenViewer(FolianDocument* document, const std::string& title) {
    SelectTitle(document, title);
    document->openPDF();
  }

  // Lets the activations the window system reported arrive.
  static void Settle() {
    for (int round = 0; round < 5; ++round) QCoreApplication::processEvents();
  }

  // What the library file stores, by entry title.
  std::map<std::string, StoredOrders> storedOrders() const {
    std::map<std::string, StoredOrders> orders;
    const QByteArray libraryPath = path(library).toUtf8();
    FLN_DATA data;
    EXPECT_TRUE(ReadFlnDataFromFlnFile(libraryPath.constData(), &data).ok());
    for (int32_t i = 0; i < Tesk_Ary_GetSize(data.entry); ++i) {
      FLN_ENTRY entry;
      Tesk_Ary_GetData(data.entry, i, &entry);
      const QString title = FLN_COMM_CreateNSString_FromUniChar_LtoN(entry.en_title, sizeof entry.en_title);
      orders[title.toStdString()] = {ZEL_EndianShort_LtoN(entry.en_entry_window_ordered_index),
                                     ZEL_EndianShort_LtoN(entry.en_pdf_window_ordered_index)};
    }
    FreeFlnData(&data);
    return orders;
  }

  static int OrderOf(const QWidget* window) { return WindowActivationOrder::instance()->orderedIndex(window); }

  QString library = QStringLiteral("lib.fln");  // the file the test works on
};

TEST_F(ChildWindowsTest, AskingAgainBringsTheOpenWindowForward) {
  FolianDocument* document = openLibraryWithPdfs({"a.pdf", "b.pdf"});
  ASSERT_NE(document, nullptr);

  OpenInfo(document, "a.pdf");
  EntryDlg* info = InfoWindowOf(document, "a.pdf");
  ASSERT_NE(info, nullptr);
  OpenViewer(document, "a.pdf");
  ViewPDFDlg* viewer = ViewerOf(document, "a.pdf");
  ASSERT_NE(viewer, nullptr);
  Settle();
  ASSERT_EQ(OrderOf(viewer->window()), 0);

  // The information window was behind the viewer: asking again brings the
  // same window to the front instead of a second one.
  OpenInfo(document, "a.pdf");
  Settle();
  EXPECT_EQ(document->childWindows()->entryWindowCount(), 1);
  EXPECT_EQ(InfoWindowOf(document, "a.pdf"), info);
  EXPECT_EQ(OrderOf(info->window()), 0);
  EXPECT_GT(OrderOf(viewer->window()), 0);

  OpenViewer(document, "a.pdf");
  Settle();
  EXPECT_EQ(document->childWindows()->viewerCount(), 1);
  EXPECT_EQ(ViewerOf(document, "a.pdf"), viewer);
  EXPECT_EQ(OrderOf(viewer->window()), 0);

  // A viewer closed by its own control only hides; asking shows it again.
  viewer->window()->close();
  ASSERT_FALSE(viewer->window()->isVisible());
  OpenViewer(document, "a.pdf");
  EXPECT_EQ(ViewerOf(document, "a.pdf"), viewer);
  EXPECT_TRUE(viewer->window()->isVisible());

  // Another entry gets windows of its own.
  OpenInfo(document, "b.pdf");
  OpenViewer(document, "b.pdf");
  EXPECT_EQ(document->childWindows()->entryWindowCount(), 2);
  EXPECT_EQ(document->childWindows()->viewerCount(), 2);
  EXPECT_NE(InfoWindowOf(document, "b.pdf"), info);
  EXPECT_NE(ViewerOf(document, "b.pdf"), viewer);
}

TEST_F(ChildWindowsTest, EntryListOpensViewersByDoubleClickAndReturn) {
  FolianDocument* document = openLibraryWithPdfs({"a.pdf", "b.pdf"});
  ASSERT_NE(document, nullptr);
  QTableView* list = document->entryListBox();

  // Nothing selected: the commands are off and a double click does nothing.
  list->clearSelection();
  EXPECT_FALSE(document->menus()->openPdf->isEnabled());
  EXPECT_FALSE(document->menus()->showInfo->isEnabled());
  document->doElementViewDoubleClick();
  EXPECT_EQ(document->childWindows()->viewerCount(), 0);

  const int rowB = RowOf(document, "b.pdf");
  const QRect cell = list->visualRect(list->model()->index(rowB, 0));
  // What a double click delivers: a first click, then the double click.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  ASSERT_EQ(document->childWindows()->viewerCount(), 1);
  ASSERT_NE(ViewerOf(document, "b.pdf"), nullptr);
  EXPECT_EQ(ViewerOf(document, "a.pdf"), nullptr);

  SelectTitle(document, "a.pdf");
  EXPECT_TRUE(document->menus()->openPdf->isEnabled());
  EXPECT_TRUE(document->menus()->showInfo->isEnabled());
  document->mainWindow()->activateWindow();
  list->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == list; }));
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_EQ(document->childWindows()->viewerCount(), 2);
  EXPECT_NE(ViewerOf(document, "a.pdf"), nullptr);
}

TEST_F(ChildWindowsTest, ClosingAndOpeningTheLibraryRestoresTheStack) {
  // Which window was brought forward last before the library window, and
  // so which one must come back nearer the front.
  struct Case {
    const char* name;
    bool viewerFirst;  // the viewer opened first, the information window in front of it
  };
  const Case cases[] = {{"info in front of viewer", true}, {"viewer in front of info", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    library = QString::fromLatin1(c.viewerFirst ? "viewer-first.fln" : "info-first.fln");
    FolianDocument* document = openLibraryWithPdfs({"a.pdf", "b.pdf", "c.pdf"});
    ASSERT_NE(document, nullptr);
    if (c.viewerFirst) {
      OpenViewer(document, "a.pdf");
      OpenInfo(document, "b.pdf");
    } else {
      OpenInfo(document, "b.pdf");
      OpenViewer(document, "a.pdf");
    }
    WindowActivationOrder::instance()->orderFront(document->mainWindow());
    Settle();
    ASSERT_EQ(OrderOf(document->mainWindow()), 0);
    closeDocument(document);

    // Behind the library window (depth 1): the window opened last at 2.
    const int infoOrder = c.viewerFirst ? 2 : 3, viewerOrder = 5 - infoOrder;
    std::map<std::string, StoredOrders> orders = storedOrders();
    EXPECT_EQ(orders["a.pdf"].entryWindow, -1);
    EXPECT_EQ(orders["a.pdf"].pdfWindow, viewerOrder);
    EXPECT_EQ(orders["b.pdf"].entryWindow, infoOrder);
    EXPECT_EQ(orders["b.pdf"].pdfWindow, -1);
    EXPECT_EQ(orders["c.pdf"].entryWindow, -1);
    EXPECT_EQ(orders["c.pdf"].pdfWindow, -1);

    document = reopen(library);
    ASSERT_NE(document, nullptr);
    Settle();
    EXPECT_EQ(document->childWindows()->entryWindowCount(), 1);
    EXPECT_EQ(document->childWindows()->viewerCount(), 1);
    EntryDlg* info = InfoWindowOf(document, "b.pdf");
    ViewPDFDlg* viewer = ViewerOf(document, "a.pdf");
    ASSERT_NE(info, nullptr);
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(info->window()->isVisible());
    EXPECT_TRUE(viewer->window()->isVisible());
    EXPECT_EQ(OrderOf(document->mainWindow()), 0);
    if (c.viewerFirst)
      EXPECT_LT(OrderOf(info->window()), OrderOf(viewer->window()));
    else
      EXPECT_LT(OrderOf(viewer->window()), OrderOf(info->window()));
    closeDocument(document);
  }
}

TEST_F(ChildWindowsTest, TheFrontmostWindowIsReopenedAndAHiddenOneIsNot) {
  FolianDocument* document = openLibraryWithPdfs({"a.pdf", "b.pdf"});
  ASSERT_NE(document, nullptr);
  OpenViewer(document, "a.pdf");
  ViewPDFDlg* hidden = ViewerOf(document, "a.pdf");
  ASSERT_NE(hidden, nullptr);
  hidden->window()->close();  // hides only
  OpenInfo(document, "b.pdf");
  Settle();
  // The library closes while the information window is the frontmost one.
  ASSERT_EQ(OrderOf(InfoWindowOf(document, "b.pdf")->window()), 0);
  closeDocument(document);

  std::map<std::string, StoredOrders> orders = storedOrders();
  EXPECT_EQ(orders["a.pdf"].pdfWindow, -1);
  EXPECT_EQ(orders["b.pdf"].entryWindow, 1);

  document = reopen();
  ASSERT_NE(document, nullptr);
  Settle();
  EXPECT_EQ(document->childWindows()->entryWindowCount(), 1);
  EXPECT_EQ(document->childWindows()->viewerCount(), 0);
  EntryDlg* info = InfoWindowOf(document, "b.pdf");
  ASSERT_NE(info, nullptr);
  EXPECT_TRUE(info->window()->isVisible());
  // The library window comes up in front of the windows it reopens.
  EXPECT_EQ(OrderOf(document->mainWindow()), 0);
  EXPECT_EQ(OrderOf(info->window()), 1);
}

TEST_F(ChildWindowsTest, APdfThatCannotBeReadIsReportedByItsEntry) {
  FolianDocument* document = openLibraryWithPdfs({"a.pdf", "b.pdf"});
  ASSERT_NE(document, nullptr);
  OpenViewer(document, "b.pdf");  // to be reopened with the library
  closeDocument(document);

  // The first PDF's link to the second leads out of the file.
  const std::string file = path(library).toStdString();
  ZEL_FILE container;
  ASSERT_EQ(ZEL_Open(file.c_str(), 1, &container), ZEL_OK);
  ASSERT_EQ(ZEL_FirstMember(&container, kTagAttachmentData), ZEL_OK);
  const uint32_t first = container.current.position;
  ZEL_Close(&container);
  pokeU32LE(file, first + zel::kNextMemberAt, 0xFFFFFF00u);

  apptest::ScriptedAlerts alerts;
  document = reopen(library);
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(apptest::EntryColumn(document, "title"), (QStringList{"a.pdf", "b.pdf"}));
  const QString unreadable = QStringLiteral("「b.pdf」のPDFをライブラリから読み出せません。ライブラリのファイルのこのPDFの部分が壊れています。");
  EXPECT_EQ(alerts.texts(), QStringList{unreadable});
  EXPECT_EQ(ViewerOf(document, "b.pdf"), nullptr);

  OpenViewer(document, "b.pdf");
  EXPECT_EQ(alerts.texts(), (QStringList{unreadable, unreadable}));
  EXPECT_EQ(ViewerOf(document, "b.pdf"), nullptr);
  EXPECT_EQ(document->childWindows()->viewerCount(), 0);

  OpenViewer(document, "a.pdf");
  ViewPDFDlg* viewer = ViewerOf(document, "a.pdf");
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->window()->isVisible());
  EXPECT_EQ(alerts.texts().size(), 2);
}

TEST_F(ChildWindowsTest, CommandsBringTheOpenWindowsUpToDate) {
  struct Case {
    const char* name;
    const char* action;                                  // names the library file
    std::function<QAction*(const LibraryMenus&)> command;  // the menu command run
    std::function<void(QWidget*)> answer;  // fills the command's dialog and presses OK
    std::function<bool(EntryDlg*)> shows;  // the information window shows the change
    std::string cat1;                      // the entry's stored level 1 name afterwards
  };
  const auto setEdit = [](QWidget* modal, const char* name, const QString& text) {
    modal->findChild<QComboBox*>(QString::fromLatin1(name))->setEditText(text);
  };
  const auto pressOk = [](QWidget* modal) { modal->findChild<QPushButton*>(QStringLiteral("okButton"))->click(); };
  const auto combo = [](EntryDlg* info, const char* name) {
    return info->window()->findChild<QComboBox*>(QString::fromLatin1(name));
  };
  const Case cases[] = {
      {"reassignment", "changeCategoryName", [](const LibraryMenus& m) { return m.changeCategoryName; },
       [&](QWidget* modal) {
         setEdit(modal, "comboCat1", QStringLiteral("論文"));
         setEdit(modal, "comboCat3", QStringLiteral("2024"));
         pressOk(modal);
       },
       [&](EntryDlg* info) {
         return combo(info, "comboCat1")->currentText() == QStringLiteral("論文") &&
                combo(info, "comboCat3")->currentText() == QStringLiteral("2024");
       },
       "論文"},
      {"new category", "addCategory2", [](const LibraryMenus& m) { return m.addCategory[1]; },
       [&](QWidget* modal) {
         modal->findChild<QLineEdit*>(QStringLiteral("editCategoryName"))->setText(QStringLiteral("新分類"));
         pressOk(modal);
       },
       [&](EntryDlg* info) { return combo(info, "comboCat2")->findText(QStringLiteral("新分類")) >= 0; }, "その他"},
      {"level labels", "editCategoryLabel", [](const LibraryMenus& m) { return m.editCategoryLabel; },
       [&](QWidget* modal) {
         modal->findChild<QLineEdit*>(QStringLiteral("editCategory1"))->setText(QStringLiteral("種別"));
         pressOk(modal);
       },
       [](EntryDlg* info) {
         return info->window()->findChild<QLabel*>(QStringLiteral("textCat1Label"))->text() == QStringLiteral("種別");
       },
       "その他"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    library = QString::fromLatin1(c.action) + QStringLiteral(".fln");
    FolianDocument* document = openLibraryWithPdfs({"a.pdf", "b.pdf"});
    ASSERT_NE(document, nullptr);
    OpenInfo(document, "a.pdf");
    EntryDlg* info = InfoWindowOf(document, "a.pdf");
    ASSERT_NE(info, nullptr);
    // Back to the library window, which runs the command on entry a.
    WindowActivationOrder::instance()->orderFront(document->mainWindow());
    Settle();
    SelectTitle(document, "a.pdf");
    apptest::AnswerNextModal(c.answer);
    c.command(*document->menus())->trigger();
    EXPECT_TRUE(c.shows(info));

    // The window saves again when it is left: what the command stored stays.
    WindowActivationOrder::instance()->orderFront(info->window());
    Settle();
    WindowActivationOrder::instance()->orderFront(document->mainWindow());
    Settle();
    ASSERT_TRUE(info->save());
    FLN_ENTRY entry = EntryAtRow(document, RowOf(document, "a.pdf"));
    EXPECT_EQ(FLN_COMM_CreateNSString_FromUniChar_LtoN(entry.en_c1_name, sizeof entry.en_c1_name).toStdString(),
              c.cat1);
    closeDocument(document);
  }
}

TEST_F(ChildWindowsTest, AViewerShowsTheTitleTheInformationWindowSaved) {
  FolianDocument* document = openLibraryWithPdfs({"a.pdf"});
  ASSERT_NE(document, nullptr);
  OpenViewer(document, "a.pdf");
  ViewPDFDlg* viewer = ViewerOf(document, "a.pdf");
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->window()->windowTitle(), QStringLiteral("a.pdf"));
  OpenInfo(document, "a.pdf");
  EntryDlg* info = InfoWindowOf(document, "a.pdf");
  ASSERT_NE(info, nullptr);
  info->window()->findChild<QPlainTextEdit*>(QStringLiteral("editTitle"))->setPlainText(QStringLiteral("量子論入門"));
  ASSERT_TRUE(info->save());
  EXPECT_EQ(viewer->window()->windowTitle(), QStringLiteral("量子論入門"));
}

TEST_F(ChildWindowsTest, DeletingAnEntryClosesItsWindowsFirst) {
  FolianDocument* document = openLibraryWithPdfs({"a.pdf", "b.pdf"});
  ASSERT_NE(document, nullptr);
  OpenInfo(document, "a.pdf");
  OpenViewer(document, "a.pdf");
  OpenViewer(document, "b.pdf");
  QPointer<EntryDlg> info = InfoWindowOf(document, "a.pdf");
  QPointer<ViewPDFDlg> viewer = ViewerOf(document, "a.pdf");
  QPointer<ViewPDFDlg> otherViewer = ViewerOf(document, "b.pdf");
  ASSERT_TRUE(info && viewer && otherViewer);

  SelectTitle(document, "a.pdf");
  apptest::ScriptedAlerts alerts;
  alerts.answers = {true};
  document->transfer()->deletePdfs();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  EXPECT_TRUE(info.isNull());
  EXPECT_TRUE(viewer.isNull());
  ASSERT_FALSE(otherViewer.isNull());
  EXPECT_TRUE(otherViewer->window()->isVisible());
  EXPECT_EQ(document->childWindows()->entryWindowCount(), 0);
  EXPECT_EQ(document->childWindows()->viewerCount(), 1);

  // Closing the library afterwards writes nothing back for the deleted entry.
  closeDocument(document);
  const std::map<std::string, StoredOrders> orders = storedOrders();
  EXPECT_EQ(orders.count("a.pdf"), 0u);
  EXPECT_EQ(orders.count("b.pdf"), 1u);
}

TEST(WindowActivationOrderTest, CountsVisibleWindowsByLastActivation) {
  WindowActivationOrder* order = WindowActivationOrder::instance();
  ASSERT_NE(order, nullptr);
  QWidget first, second, third;
  for (QWidget* window : {&first, &second, &third}) {
    window->resize(200, 100);
    window->show();
  }
  for (int round = 0; round < 5; ++round) QCoreApplication::processEvents();
  EXPECT_EQ(order->orderedIndex(&third), 0);
  EXPECT_EQ(order->orderedIndex(&second), 1);
  EXPECT_EQ(order->orderedIndex(&first), 2);

  first.activateWindow();
  ASSERT_TRUE(WaitUntil([&] { return order->orderedIndex(&first) == 0; }));
  EXPECT_EQ(order->orderedIndex(&third), 1);

  // A hidden window has no place, and the ones behind it move up.
  third.hide();
  EXPECT_EQ(order->orderedIndex(&third), -1);
  EXPECT_EQ(order->orderedIndex(&second), 1);
  EXPECT_EQ(order->frontWindow(&first), &second);

  {
    QWidget gone;
    gone.show();
    for (int round = 0; round < 5; ++round) QCoreApplication::processEvents();
    EXPECT_EQ(order->orderedIndex(&gone), 0);
  }
  EXPECT_FALSE(order->orderedWindows().contains(nullptr));
  EXPECT_EQ(order->orderedIndex(nullptr), -1);
}

}  // namespace
