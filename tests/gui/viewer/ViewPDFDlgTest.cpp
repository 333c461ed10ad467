// The PDF viewer window driven offscreen on a real library file: placement,
// remembered frames (checked by reading the file again), dates, damaged
// PDFs, the page box, buttons and menu states, search with its focus rules
// and beeps, the tools, closing, and printing.

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "TestPdfFiles.h"
#include "gui/shell/Alert.h"
#include "gui/entry/EntryDlgPlacement.h"
#include "gui/viewer/PdfPasswordPrompt.h"
#include "library/FlnEnvironment.h"
#include "pdfview/PdfView.h"
#include "pdfview/PdfOutlineView.h"
#include "pdfview/PdfSidebar.h"
#include "pdfview/PdfDocument.h"
#include "pdfview/PdfPrinting.h"
#include "gui/viewer/ViewPDFDlg.h"
#include "gui/viewer/ViewPDFDlgPlacement.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "storage/Clock.h"
#include "format/Endian.h"
#include "fulltext/FullTextIndex.h"

namespace {

using apptest::MakeNumberedPdf;
using apptest::MakeTextPdf;

std::string Date(const char (&field)[18]) { return std::string(field, strnlen(field, sizeof field)); }

const QDateTime kShowTime(QDate(2026, 12, 8), QTime(14, 22, 5, 123));
constexpr char kShowTimeText[] = "20261208142205123";

template <typename Done>
bool WaitUntil(Done done) {
  for (int round = 0; round < 300 && !done(); ++round) QTest::qWait(10);
  return done();
}

// The library as stored in its file.
class StoredLibrary {
 public:
  explicit StoredLibrary(const QString& path) { ok = ReadFlnDataFromFlnFile(path.toUtf8().constData(), &data).ok(); }
  ~StoredLibrary() { FreeFlnData(&data); }
  FLN_ENTRY entry(int index) const {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(data.entry, index, &entry);
    return entry;
  }
  bool ok = false;
  FLN_DATA data;
};

QRect StoredFrame(const FLN_ENTRY& entry) {
  return FLNRectToNSRect({ZEL_EndianShort_LtoN(entry.en_pdf_window_position.top),
                          ZEL_EndianShort_LtoN(entry.en_pdf_window_position.left),
                          ZEL_EndianShort_LtoN(entry.en_pdf_window_position.bottom),
                          ZEL_EndianShort_LtoN(entry.en_pdf_window_position.right)});
}

class ViewPDFDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    Clock::setSource([this] { return now; });
    apptest::LibraryContents contents;
    contents.entries = {apptest::Entry("量子論入門", "その他", "その他", "その他"),
                    apptest::Entry("second", "その他", "その他", "その他")};
    apptest::WriteLibrary(path(), contents);
    load();
    behind.setWindowTitle(QStringLiteral("behind"));
    behind.setGeometry(20, 30, 300, 200);
    behind.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&behind));
  }

  void TearDown() override {
    for (const QPointer<ViewPDFDlg>& viewer : viewers) delete viewer.data();
    FreeFlnData(&data);
    Clock::setSource(nullptr);
  }

  QString path() const { return dir.filePath(QStringLiteral("lib.fln")); }

  void load() {
    FreeFlnData(&data);
    ASSERT_TRUE(ReadFlnDataFromFlnFile(path().toUtf8().constData(), &data).ok());
    for (int32_t i = 0; i < Tesk_Ary_GetSize(data.entry); ++i) data.shownRows.push_back(i);
  }

  FLN_ENTRY memoryEntry(int index) const {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(data.entry, index, &entry);
    return entry;
  }

  void setStoredFrame(int index, int16_t top, int16_t left, int16_t bottom, int16_t right) {
    FLN_ENTRY entry = memoryEntry(index);
    entry.en_pdf_window_position = {ZEL_EndianShort_NtoL(top), ZEL_EndianShort_NtoL(left),
                                    ZEL_EndianShort_NtoL(bottom), ZEL_EndianShort_NtoL(right)};
    Tesk_Ary_Update(data.entry, index, &entry);
  }

  // As the library window opens a viewer: create, bind, hand over the bytes,
  // show, record in the registry.
  ViewPDFDlg* open(int index, const QByteArray& pdf) {
    auto* viewer = new ViewPDFDlg;
    viewers.push_back(viewer);
    // Small enough for the offscreen screen of 800 x 600.
    viewer->window()->resize(360, 280);
    viewer->setWindowOrder([this] { return QList<QWidget*>{&behind}; });
    viewer->setBeep([this] { ++beeps; });
    QObject::connect(viewer, &ViewPDFDlg::librarySaved, [this](int32_t, bool written) {
      ++saves;
      lastSaveWritten = written;
    });
    const FLN_ENTRY entry = memoryEntry(index);
    viewer->setFlnEntry(entry, &data);
    viewer->showPdfBytes(pdf);
    viewer->show();
    const int32_t id = viewer->entryId();
    QObject::connect(viewer, &ViewPDFDlg::closed, [this, id] { closedIds.push_back(id); });
    EXPECT_TRUE(QTest::qWaitForWindowExposed(viewer->window()));
    return viewer;
  }

  template <typename T>
  static T* child(ViewPDFDlg* viewer, const char* name) {
    T* widget = viewer->window()->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  // Runs a search command and waits for its result.
  static void search(ViewPDFDlg* viewer, void (ViewPDFDlg::*command)()) {
    (viewer->*command)();
    EXPECT_TRUE(WaitUntil([&] { return !viewer->pdfView()->searching(); }));
  }

  static QAction* item(ViewPDFDlg* viewer, const char* name) {
    QAction* action = child<QAction>(viewer, name);
    viewer->validateMenuItem(action);
    return action;
  }

  QTemporaryDir dir;
  QDateTime now = kShowTime;
  FLN_DATA data;
  QWidget behind;
  std::vector<QPointer<ViewPDFDlg>> viewers;
  int beeps = 0;
  int saves = 0;
  bool lastSaveWritten = false;
  std::vector<int32_t> closedIds;  // the viewers that said they closed, by entry (host order)
};

// --- Placement arithmetic

struct PlacementCase {
  const char* name;
  QRect reference;  // origin bottom left, y up
  QSize size;
  int displayWidth;
  QPoint expected;
};

TEST(ViewPDFDlgPlacementTest, RuleInItsOwnCoordinates) {
  const PlacementCase cases[] = {
      {"in front of the window behind", {100, 200, 600, 700}, {500, 600}, 1440, {105, 282}},
      {"display just wide enough", {100, 200, 600, 700}, {500, 600}, 705, {105, 282}},
      {"right edge too close to the display's", {100, 200, 600, 700}, {500, 600}, 704, {5, 718}},
      {"bottom below the display", {100, 0, 600, 500}, {500, 600}, 1440, {5, 518}},
      {"left of the display", {-10, 200, 600, 700}, {500, 600}, 1440, {5, 718}},
      // 70000 does not fit in 16 bits: it counts as 4464.
      {"width reduced to 16 bits", {4100, 200, 600, 700}, {300, 600}, 70000, {5, 718}},
  };
  for (const PlacementCase& c : cases) {
    const QRect placed = PlaceViewerBottomUp(c.reference, c.size, c.displayWidth);
    EXPECT_EQ(placed.topLeft(), c.expected) << c.name;
    EXPECT_EQ(placed.size(), c.size) << c.name;
  }
}

TEST(ViewPDFDlgPlacementTest, ScreenCoordinatesKeepTheRule) {
  const QRect display(0, 0, 1440, 1000);
  // The worked example seen from the top: the reference's bottom-up y 200
  // with height 700 is y 100 from the top on a display 1000 high.
  const QRect placed = PlaceViewer(QRect(100, 100, 600, 700), QSize(500, 600), display);
  EXPECT_EQ(placed, QRect(105, 118, 500, 600));
  EXPECT_EQ(1000 - placed.bottom() - 1, 282);  // the same place measured upwards

  // The fallback would put a tall window's top above the display.
  EXPECT_EQ(PlaceViewer(QRect(1200, 50, 600, 900), QSize(500, 600), display), QRect(5, 0, 500, 600));
}

TEST(ViewPDFDlgPlacementTest, StoredRectangles) {
  EXPECT_EQ(FLNRectToNSRect({150, 120, 750, 620}), QRect(120, 150, 500, 600));
  const FlnRect back = EntryDlgFrameToFlnRect(QRect(120, 150, 500, 600));
  EXPECT_EQ(FLNRectToNSRect(back), QRect(120, 150, 500, 600));
  EXPECT_FALSE(IsRememberedViewerFrame(FLNRectToNSRect({0, 0, 0, 0})));
  EXPECT_FALSE(IsRememberedViewerFrame(FLNRectToNSRect({10, 10, 11, 500})));
  EXPECT_TRUE(IsRememberedViewerFrame(FLNRectToNSRect({10, 10, 12, 12})));
}

// --- Showing, remembering, dates

TEST_F(ViewPDFDlgTest, FirstShowingOpensInFrontOfTheWindowBehindAndStampsTheEntry) {
  ViewPDFDlg* viewer = open(0, MakeNumberedPdf(3));
  const QRect frame = viewer->window()->geometry();
  EXPECT_EQ(frame.topLeft(), behind.geometry().topLeft() + QPoint(kViewerOffsetX, kViewerOffsetY));
  EXPECT_EQ(viewer->window()->windowTitle(), QStringLiteral("量子論入門"));
  EXPECT_EQ(child<QLabel>(viewer, "textPageMax")->text(), QStringLiteral("3"));
  EXPECT_EQ(child<QLineEdit>(viewer, "textBoxPage")->text(), QStringLiteral("1"));

  // The showing's own placement is stored as the viewer's place.
  ASSERT_TRUE(WaitUntil([&] { return StoredFrame(StoredLibrary(path()).entry(0)) == frame; }));
  StoredLibrary stored(path());
  EXPECT_EQ(Date(stored.entry(0).en_last_view_date), kShowTimeText);
  EXPECT_EQ(Date(stored.entry(1).en_last_view_date), "");
  // The list shows the entry as written.
  FLN_ENTRY listed;
  ASSERT_EQ(GetFLNEntry_ByFLNData(&data, 0, &listed), 1);
  EXPECT_EQ(Date(listed.en_last_view_date), kShowTimeText);
  EXPECT_TRUE(lastSaveWritten);
}

TEST_F(ViewPDFDlgTest, RememberedFrameIsUsedAndNeverBelowTheMinimum) {
  setStoredFrame(0, 150, 120, 750, 620);
  ViewPDFDlg* viewer = open(0, MakeNumberedPdf(2));
  EXPECT_EQ(viewer->window()->geometry(), QRect(120, 150, 500, 600));

  setStoredFrame(1, 40, 30, 60, 80);  // 50 x 20, below the window's minimum
  ViewPDFDlg* small = open(1, MakeNumberedPdf(2));
  EXPECT_EQ(small->window()->geometry().topLeft(), QPoint(30, 40));
  EXPECT_EQ(small->window()->geometry().size(), small->window()->minimumSize());
}

TEST_F(ViewPDFDlgTest, MovedOrResizedFrameSurvivesReopeningTheLibrary) {
  struct Case {
    const char* name;
    std::function<void(QWidget*)> change;
  };
  const Case cases[] = {
      // move() places the frame's corner; the stored frame is the window's own area.
      {"moved", [](QWidget* window) { window->move(222, 111); }},
      {"resized", [](QWidget* window) { window->resize(420, 330); }},
      {"moved and resized", [](QWidget* window) { window->setGeometry(60, 70, 380, 300); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    closedIds.clear();
    ViewPDFDlg* viewer = open(0, MakeNumberedPdf(2));
    const QRect before = viewer->window()->geometry();
    c.change(viewer->window());
    ASSERT_TRUE(WaitUntil([&] { return viewer->window()->geometry() != before; }));
    const QRect changed = viewer->window()->geometry();
    EXPECT_TRUE(WaitUntil([&] { return StoredFrame(StoredLibrary(path()).entry(0)) == changed; }))
        << "stored: " << StoredFrame(StoredLibrary(path()).entry(0)).width() << " wide";

    // Close the library (the viewer goes) and open it again.
    viewer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(closedIds, std::vector<int32_t>{ZEL_EndianLong_LtoN(memoryEntry(0).en_id)});
    load();
    ViewPDFDlg* again = open(0, MakeNumberedPdf(2));
    EXPECT_EQ(again->window()->geometry(), changed);
    again->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(ViewPDFDlgTest, EveryShowingStampsAndSelectsTheHandTool) {
  ViewPDFDlg* viewer = open(0, MakeNumberedPdf(2));
  viewer->modeText();
  EXPECT_EQ(viewer->pdfView()->toolMode(), kToolModeText);
  viewer->window()->close();  // its own close control only hides it
  EXPECT_FALSE(viewer->window()->isVisible());
  EXPECT_FALSE(viewers.back().isNull());
  EXPECT_TRUE(closedIds.empty()) << "hiding is no end";

  now = kShowTime.addSecs(60);
  viewer->show();
  EXPECT_TRUE(viewer->window()->isVisible());
  EXPECT_EQ(viewer->pdfView()->toolMode(), kToolModeHand);
  EXPECT_TRUE(child<QToolButton>(viewer, "btnToolModeCrosshair")->isChecked());
  EXPECT_FALSE(child<QToolButton>(viewer, "btnToolModeText")->isChecked());
  // Saved once the page is painted again.
  EXPECT_TRUE(WaitUntil([&] { return Date(StoredLibrary(path()).entry(0).en_last_view_date) == "20261208142305123"; }));
}

TEST_F(ViewPDFDlgTest, TheLibraryIsSavedOnceAfterTheFirstPageIsPainted) {
  enum Then { Paint, HideAtOnce, CloseAtOnce };
  const struct {
    const char* name;
    Then then;
    bool paintedAtSave;
  } cases[] = {
      {"painted", Paint, true},
      {"hidden before anything is painted: saved all the same", HideAtOnce, false},
      {"closed before anything is painted: saved on closing", CloseAtOnce, false},
  };
  for (const auto& c : cases) {
    auto* viewer = new ViewPDFDlg;
    viewers.push_back(viewer);
    viewer->window()->resize(360, 280);
    viewer->setWindowOrder([this] { return QList<QWidget*>{&behind}; });
    int savesHere = 0;
    bool paintedAtSave = false;
    QObject::connect(viewer, &ViewPDFDlg::librarySaved, [&](int32_t, bool written) {
      EXPECT_TRUE(written) << c.name;
      if (++savesHere == 1) paintedAtSave = viewer->pdfView()->visiblePagesComplete();
    });
    viewer->setFlnEntry(memoryEntry(0), &data);
    viewer->showPdfBytes(MakeNumberedPdf(3));
    viewer->show();
    // Placed and stamped in memory, not yet on disk.
    EXPECT_EQ(Date(memoryEntry(0).en_last_view_date), kShowTimeText) << c.name;
    EXPECT_EQ(Date(StoredLibrary(path()).entry(0).en_last_view_date), "") << c.name;
    EXPECT_EQ(savesHere, 0) << c.name;
    const QRect frame = viewer->window()->geometry();
    if (c.then == HideAtOnce) viewer->window()->hide();
    if (c.then == CloseAtOnce) viewer->close();

    ASSERT_TRUE(WaitUntil([&] { return savesHere > 0; })) << c.name;
    QTest::qWait(50);
    EXPECT_EQ(savesHere, 1) << c.name;  // the date and the place together
    EXPECT_EQ(paintedAtSave, c.paintedAtSave) << c.name;
    StoredLibrary stored(path());
    EXPECT_EQ(Date(stored.entry(0).en_last_view_date), kShowTimeText) << c.name;
    EXPECT_EQ(StoredFrame(stored.entry(0)), frame) << c.name;
    if (c.then != CloseAtOnce) viewer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The next case starts from a library without the stamp.
    FLN_ENTRY entry = memoryEntry(0);
    memset(entry.en_last_view_date, 0, sizeof entry.en_last_view_date);
    entry.en_pdf_window_position = {};
    Tesk_Ary_Update(data.entry, 0, &entry);
    ASSERT_TRUE(SaveAll(data.filePath, &data).ok());
  }
}

TEST_F(ViewPDFDlgTest, CloseSaysSoOnceForItselfAndGoes) {
  ViewPDFDlg* first = open(0, MakeNumberedPdf(2));
  QPointer<ViewPDFDlg> second = open(1, MakeNumberedPdf(2));
  QPointer<ViewPDFDlg> gone = first;
  first->close();
  first->close();  // a second close is no second end
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(gone.isNull());
  EXPECT_FALSE(second.isNull());
  EXPECT_EQ(closedIds, std::vector<int32_t>{ZEL_EndianLong_LtoN(memoryEntry(0).en_id)});
}

TEST_F(ViewPDFDlgTest, DeletedEntrySavesNothingForIt) {
  ViewPDFDlg* viewer = open(0, MakeNumberedPdf(2));
  ASSERT_TRUE(WaitUntil([&] { return !StoredFrame(StoredLibrary(path()).entry(0)).isEmpty(); }));
  Tesk_Ary_Remove(data.entry, 0);
  ASSERT_TRUE(SaveAll(data.filePath, &data).ok());
  const int savesBefore = saves;

  viewer->window()->move(300, 200);
  now = kShowTime.addSecs(60);
  viewer->show();
  apptest::AnswerNextModal([](QWidget* panel) { QMetaObject::invokeMethod(panel, "reject", Qt::QueuedConnection); });
  viewer->printDocument();
  QTest::qWait(50);
  EXPECT_EQ(saves, savesBefore);
  EXPECT_TRUE(viewer->getPdfTitle().isNull());
  StoredLibrary stored(path());
  ASSERT_EQ(Tesk_Ary_GetSize(stored.data.entry), 1);
  EXPECT_EQ(Date(stored.entry(0).en_last_view_date), "");
}

TEST_F(ViewPDFDlgTest, PrintingStampsLastViewAndLastUse) {
  ViewPDFDlg* viewer = open(0, MakeNumberedPdf(2));
  now = kShowTime.addSecs(3600);
  bool panelShown = false;
  apptest::AnswerNextModal([&](QWidget* panel) {
    panelShown = true;
    QMetaObject::invokeMethod(panel, "reject", Qt::QueuedConnection);
  });
  viewer->printDocument();
  EXPECT_TRUE(panelShown);
  StoredLibrary stored(path());
  EXPECT_EQ(Date(stored.entry(0).en_last_view_date), "20261208152205123");
  EXPECT_EQ(Date(stored.entry(0).en_last_use_date), "20261208152205123");
}

// --- Damaged PDFs

TEST_F(ViewPDFDlgTest, PdfThatDoesNotOpenGivesAnEmptyViewerSayingWhy) {
  const QString damaged = DamagedPdfMessage(QString());
  const struct {
    const char* name;
    QByteArray bytes;
    bool asksPassword;
  } cases[] = {
      {"truncated", apptest::MakeTruncatedPdf(), false},
      {"garbage", apptest::MakeGarbagePdf(), false},
      {"zero bytes", QByteArray(), false},
      {"encrypted, password dialog cancelled", apptest::MakeEncryptedPdf(), true},
  };
  for (const auto& c : cases) {
    bool asked = false;
    if (c.asksPassword)
      apptest::AnswerNextModal([&](QWidget* dialog) {
        asked = true;
        QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
      });
    ViewPDFDlg* viewer = open(0, c.bytes);
    EXPECT_EQ(asked, c.asksPassword) << c.name;
    if (c.asksPassword)
      EXPECT_EQ(viewer->pdfView()->message(), NoPasswordMessage()) << c.name;
    else
      EXPECT_TRUE(viewer->pdfView()->message().startsWith(damaged)) << c.name << ": " << viewer->pdfView()->message().toStdString();
    EXPECT_TRUE(viewer->window()->isVisible()) << c.name;
    EXPECT_EQ(viewer->window()->windowTitle(), QStringLiteral("PDFビューア")) << c.name;
    EXPECT_EQ(child<QLabel>(viewer, "textPageMax")->text(), QStringLiteral("0")) << c.name;
    EXPECT_EQ(viewer->pdfView()->pageCount(), 0) << c.name;
    EXPECT_FALSE(child<QToolButton>(viewer, "buttonNextPage")->isEnabled()) << c.name;
    EXPECT_FALSE(child<QToolButton>(viewer, "buttonZoomIn")->isEnabled()) << c.name;
    EXPECT_FALSE(item(viewer, "goForward")->isEnabled()) << c.name;

    // Commands on the empty viewer do nothing and break nothing.
    child<QLineEdit>(viewer, "textBoxSearch")->setText(QStringLiteral("page"));
    const int beepsBefore = beeps;
    search(viewer, &ViewPDFDlg::nextSearch);
    EXPECT_EQ(beeps, beepsBefore + 1) << c.name;
    viewer->goToNextPage();
    viewer->zoomIn();
    viewer->displayTwoUpContinous();
    viewer->pdfView()->grab();

    // Its moves are not stored.
    const QRect storedBefore = StoredFrame(StoredLibrary(path()).entry(0));
    viewer->window()->move(storedBefore.topLeft() + QPoint(37, 41));
    QTest::qWait(30);
    EXPECT_EQ(StoredFrame(StoredLibrary(path()).entry(0)), storedBefore) << c.name;
    viewer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(ViewPDFDlgTest, EncryptedPdfAsksForItsPasswordAgainAfterAWrongOne) {
  const QByteArray encrypted = apptest::EncryptWithQpdf(MakeNumberedPdf(3), QStringLiteral("sesame"));
  ASSERT_FALSE(encrypted.isEmpty()) << "qpdf (scripts/install-deps.sh) did not encrypt the test file";
  QStringList labels;
  auto answer = [&labels](const QString& password) {
    return [&labels, password](QWidget* dialog) {
      auto* input = qobject_cast<QInputDialog*>(dialog);
      ASSERT_NE(input, nullptr);
      EXPECT_EQ(input->textEchoMode(), QLineEdit::Password);
      labels << input->labelText();
      input->setTextValue(password);
      QMetaObject::invokeMethod(input, "accept", Qt::QueuedConnection);
    };
  };
  apptest::AnswerNextModal([&](QWidget* dialog) {
    apptest::AnswerNextModal(answer(QStringLiteral("sesame")));  // the second dialog
    answer(QStringLiteral("open up"))(dialog);
  });
  ViewPDFDlg* viewer = open(0, encrypted);
  ASSERT_EQ(labels.size(), 2);
  EXPECT_TRUE(labels[0].contains(QStringLiteral("「量子論入門」は暗号化されています"))) << labels[0].toStdString();
  EXPECT_TRUE(labels[1].startsWith(QStringLiteral("パスワードが違います"))) << labels[1].toStdString();
  EXPECT_EQ(viewer->pdfView()->pageCount(), 3);
  EXPECT_EQ(viewer->window()->windowTitle(), QStringLiteral("量子論入門"));
  EXPECT_EQ(child<QLabel>(viewer, "textPageMax")->text(), QStringLiteral("3"));
  EXPECT_TRUE(viewer->pdfView()->message().isEmpty());
}

TEST_F(ViewPDFDlgTest, ExternalLinkOpensInTheBrowserOnlyWhenTheUserSaysYes) {
  ViewPDFDlg* viewer = open(0, apptest::MakeLinkedPdf());
  QList<QUrl> opened;
  viewer->setUrlOpener([&](const QUrl& url) { opened << url; });
  QStringList asked;
  for (bool yes : {false, true}) {
    SetAlertResponder([&](const AlertRequest& request) {
      EXPECT_EQ(request.kind, AlertRequest::Confirmation);
      asked << request.text;
      return yes;
    });
    emit viewer->pdfView()->externalLinkActivated(QStringLiteral("https://example.org/folian"));
    SetAlertResponder(nullptr);
  }
  ASSERT_EQ(asked.size(), 2);
  EXPECT_TRUE(asked[0].contains(QStringLiteral("https://example.org/folian")));
  EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/folian"))});
}

TEST_F(ViewPDFDlgTest, SidebarStateIsKeptForTheLibrary) {
  auto stored = [this] {
    StoredLibrary library(path());
    char value[kEnvValueBufferSize] = "";
    return GetEnvironmentValue(library.data.envAry, kEnvViewerSidebar, value) == 1 ? std::string(value) : std::string("none");
  };
  ViewPDFDlg* viewer = open(0, apptest::MakeLinkedPdf());
  EXPECT_FALSE(viewer->sidebarShown());  // hidden until the user shows it
  EXPECT_EQ(stored(), "none");
  QAction* toggle = item(viewer, "toggleSidebar");
  EXPECT_TRUE(toggle->isEnabled());
  EXPECT_FALSE(toggle->isChecked());

  toggle->trigger();
  EXPECT_TRUE(viewer->sidebarShown());
  EXPECT_TRUE(item(viewer, "toggleSidebar")->isChecked());
  EXPECT_EQ(stored(), "1");
  EXPECT_EQ(viewer->sidebar()->outline()->topLevelItemCount(), 2);
  viewer->sidebar()->setCurrentIndex(PdfSidebar::kThumbnailPanel);
  EXPECT_EQ(stored(), "2");

  // Another viewer of the library opens as this one was left.
  ViewPDFDlg* second = open(1, MakeNumberedPdf(2));
  EXPECT_TRUE(second->sidebarShown());
  EXPECT_EQ(second->sidebar()->currentIndex(), PdfSidebar::kThumbnailPanel);
  EXPECT_TRUE(item(second, "toggleSidebar")->isChecked());
  toggle->trigger();
  EXPECT_FALSE(viewer->sidebarShown());
  EXPECT_EQ(stored(), "0");
  load();
  ViewPDFDlg* third = open(0, MakeNumberedPdf(2));
  EXPECT_FALSE(third->sidebarShown());
}

// --- Page box, buttons, menus

TEST_F(ViewPDFDlgTest, PageBoxJumpsOnlyToPagesThatExist) {
  ViewPDFDlg* viewer = open(0, MakeNumberedPdf(5));
  QLineEdit* box = child<QLineEdit>(viewer, "textBoxPage");
  box->setText(QStringLiteral("3"));
  viewer->pageJump();
  EXPECT_EQ(viewer->pdfView()->currentPage(), 2);
  EXPECT_EQ(box->text(), QStringLiteral("3"));
  for (const char* typed : {"0", "6", "-1", "abc", ""}) {
    box->setText(QString::fromLatin1(typed));
    viewer->pageJump();
    EXPECT_EQ(viewer->pdfView()->currentPage(), 2) << typed;
    EXPECT_EQ(box->text(), QStringLiteral("3")) << typed;
  }
  box->setText(QStringLiteral("5"));
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(viewer->pdfView()->currentPage(), 4);
}

TEST_F(ViewPDFDlgTest, ButtonsFollowWhatTheViewCanDo) {
  ViewPDFDlg* viewer = open(0, MakeNumberedPdf(3));
  QToolButton* previous = child<QToolButton>(viewer, "buttonPreviousPage");
  QToolButton* next = child<QToolButton>(viewer, "buttonNextPage");
  EXPECT_FALSE(previous->isEnabled());
  EXPECT_TRUE(next->isEnabled());
  next->click();
  EXPECT_TRUE(previous->isEnabled());
  EXPECT_EQ(child<QLineEdit>(viewer, "textBoxPage")->text(), QStringLiteral("2"));
  next->click();
  EXPECT_FALSE(next->isEnabled());

  QToolButton* zoomIn = child<QToolButton>(viewer, "buttonZoomIn");
  QToolButton* zoomOut = child<QToolButton>(viewer, "buttonZoomOut");
  while (zoomIn->isEnabled()) zoomIn->click();
  EXPECT_EQ(viewer->pdfView()->scaleFactor(), PdfView::ZoomSteps().back());
  EXPECT_TRUE(zoomOut->isEnabled());
  while (zoomOut->isEnabled()) zoomOut->click();
  EXPECT_EQ(viewer->pdfView()->scaleFactor(), PdfView::ZoomSteps().front());
  EXPECT_TRUE(zoomIn->isEnabled());
}

TEST_F(ViewPDFDlgTest, DisplayModeMenuChecksExactlyItsItem) {
  ViewPDFDlg* viewer = open(0, MakeNumberedPdf(4));
  const char* const items[] = {"displaySinglePage", "displaySinglePageContinous", "displayTwoUp",
                               "displayTwoUpContinous"};
  for (int mode = 3; mode >= 0; --mode) {
    child<QAction>(viewer, items[mode])->trigger();
    EXPECT_EQ(viewer->pdfView()->displayMode(), mode);
    for (int other = 0; other < 4; ++other)
      EXPECT_EQ(item(viewer, items[other])->isChecked(), other == mode) << "mode " << mode << " item " << other;
  }
}

TEST_F(ViewPDFDlgTest, MenuItemsFollowTheView) {
  ViewPDFDlg* viewer = open(0, MakeNumberedPdf(4));
  // Scale: automatic at first, then exactly 1.0 by the default size.
  EXPECT_TRUE(item(viewer, "autoSize")->isChecked());
  child<QAction>(viewer, "defaultSize")->trigger();
  EXPECT_TRUE(item(viewer, "defaultSize")->isChecked());
  EXPECT_FALSE(item(viewer, "autoSize")->isChecked());
  child<QAction>(viewer, "zoomIn")->trigger();
  EXPECT_FALSE(item(viewer, "defaultSize")->isChecked());
  child<QAction>(viewer, "autoSize")->trigger();
  EXPECT_TRUE(item(viewer, "autoSize")->isChecked());

  // Tools: the check marks follow the buttons.
  EXPECT_TRUE(item(viewer, "modeHand")->isChecked());
  EXPECT_FALSE(item(viewer, "modeText")->isChecked());
  child<QToolButton>(viewer, "btnToolModeText")->click();
  EXPECT_TRUE(item(viewer, "modeText")->isChecked());
  EXPECT_FALSE(item(viewer, "modeHand")->isChecked());
  EXPECT_EQ(viewer->pdfView()->toolMode(), kToolModeText);

  // Navigation and history.
  EXPECT_FALSE(item(viewer, "goToFirstPage")->isEnabled());
  EXPECT_FALSE(item(viewer, "goBack")->isEnabled());
  child<QAction>(viewer, "goToLastPage")->trigger();
  EXPECT_EQ(viewer->pdfView()->currentPage(), 3);
  EXPECT_FALSE(item(viewer, "goToLastPage")->isEnabled());
  EXPECT_FALSE(item(viewer, "goToNextPage")->isEnabled());
  EXPECT_TRUE(item(viewer, "goToPreviousPage")->isEnabled());
  EXPECT_TRUE(item(viewer, "goBack")->isEnabled());
  child<QAction>(viewer, "goBack")->trigger();
  EXPECT_EQ(viewer->pdfView()->currentPage(), 0);
  EXPECT_TRUE(item(viewer, "goForward")->isEnabled());
  child<QAction>(viewer, "goForward")->trigger();
  EXPECT_EQ(viewer->pdfView()->currentPage(), 3);

  // Printing and page setup are always available.
  EXPECT_TRUE(item(viewer, "printDocument")->isEnabled());
  EXPECT_TRUE(item(viewer, "runPageLayout")->isEnabled());
}

TEST_F(ViewPDFDlgTest, CommandsFollowTheDocumentWithoutAMenuOpened) {
  ViewPDFDlg* viewer = open(0, MakeNumberedPdf(4));
  // Read straight from the actions: no menu was opened to refresh them.
  const auto enabled = [viewer](const char* name) { return child<QAction>(viewer, name)->isEnabled(); };
  const struct {
    const char* name;
    bool onFirstPage;
    bool onLastPage;
  } cases[] = {{"goToFirstPage", false, true}, {"goToPreviousPage", false, true}, {"goToNextPage", true, false},
               {"goToLastPage", true, false}};
  // The page has the keys, not the page box (which keeps Ctrl+Right for itself).
  EXPECT_EQ(viewer->window()->focusWidget(), viewer->pdfView());
  for (const auto& c : cases) EXPECT_EQ(enabled(c.name), c.onFirstPage) << "first page: " << c.name;
  // The view moves by itself (a scroll, a link): the commands follow.
  viewer->pdfView()->goToLastPage();
  for (const auto& c : cases) EXPECT_EQ(enabled(c.name), c.onLastPage) << "last page: " << c.name;
  viewer->pdfView()->setScaleFactor(PdfView::ZoomSteps().back());
  EXPECT_FALSE(enabled("zoomIn"));
  EXPECT_TRUE(enabled("zoomOut"));

  // And so the shortcuts work at once.
  viewer->pdfView()->goToFirstPage();
  QApplication::setActiveWindow(viewer->window());
  QTest::keyClick(viewer->window(), Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(viewer->pdfView()->currentPage(), 1);
  QTest::keyClick(viewer->window(), Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(viewer->pdfView()->currentPage(), 3);
}

// --- Search

TEST_F(ViewPDFDlgTest, SearchMovesThroughMatchesWithItsFocusRules) {
  ViewPDFDlg* viewer = open(0, MakeTextPdf({QStringLiteral("nothing here"), QStringLiteral("first Needle"),
                                            QStringLiteral("more text\nsecond needle and NEEDLE")}));
  QApplication::setActiveWindow(viewer->window());
  QLineEdit* field = child<QLineEdit>(viewer, "textBoxSearch");
  PdfView* view = viewer->pdfView();
  field->setText(QStringLiteral("nEEdle"));

  struct Expected {
    int page;
    QString text;
  };
  const Expected forward[] = {{1, QStringLiteral("Needle")}, {2, QStringLiteral("needle")}, {2, QStringLiteral("NEEDLE")}};
  for (const Expected& expected : forward) {
    view->setFocus();
    search(viewer, &ViewPDFDlg::nextSearch);
    EXPECT_EQ(view->currentSelection().page, expected.page);
    EXPECT_EQ(view->currentSelection().text, expected.text);
    EXPECT_EQ(view->currentPage(), expected.page);
    EXPECT_TRUE(field->hasFocus());
  }
  EXPECT_EQ(beeps, 0);

  // Past the last match: beep, the selection stays, the focus goes to the field.
  const PdfTextSelection last = view->currentSelection();
  view->setFocus();
  search(viewer, &ViewPDFDlg::nextSearch);
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(view->currentSelection().start, last.start);
  EXPECT_EQ(view->currentSelection().page, last.page);
  EXPECT_TRUE(field->hasFocus());

  // Backwards: found without moving the focus.
  view->setFocus();
  search(viewer, &ViewPDFDlg::backSearch);
  EXPECT_EQ(view->currentSelection().text, QStringLiteral("needle"));
  EXPECT_EQ(view->currentSelection().page, 2);
  search(viewer, &ViewPDFDlg::backSearch);
  EXPECT_EQ(view->currentSelection().page, 1);
  EXPECT_TRUE(view->hasFocus());
  // Before the first match: beep only.
  search(viewer, &ViewPDFDlg::backSearch);
  EXPECT_EQ(beeps, 2);
  EXPECT_EQ(view->currentSelection().page, 1);
  EXPECT_TRUE(view->hasFocus());

  // A text that does not occur.
  field->setText(QStringLiteral("absent"));
  search(viewer, &ViewPDFDlg::nextSearch);
  EXPECT_EQ(beeps, 3);
  EXPECT_EQ(view->currentSelection().page, 1);

  // The find command puts the focus in the field.
  view->setFocus();
  viewer->findPDF();
  EXPECT_TRUE(field->hasFocus());
}

// The pixels of `area` (viewport pixels) of the view's picture that are
// tinted like a highlighted occurrence: more red and green than blue.
int HighlightedPixels(PdfView* view, const QRect& area) {
  const QImage picture = view->viewport()->grab().toImage();
  int tinted = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor color = picture.pixelColor(x, y);
      if (color.red() > 180 && color.green() > 140 && color.blue() < 150) ++tinted;
    }
  return tinted;
}

// The viewport rectangle of `hit`, shown on the current row.
QRect OnScreen(PdfView* view, const PdfTextSelection& hit) {
  QRectF inPoints;
  for (const QPolygonF& shape : hit.bounds) inPoints |= shape.boundingRect();
  const double ppp = view->scaleFactor() * view->logicalDpiX() / 72.0;
  const QPoint scroll(view->horizontalScrollBar()->value(), view->verticalScrollBar()->value());
  const QRect page = view->pageLayout().pageRect(hit.page).translated(-scroll);
  return QRectF(QPointF(page.topLeft()) + inPoints.topLeft() * ppp, inPoints.size() * ppp).toAlignedRect();
}

// The texts of the highlights `view` knows on `page`, in reading order.
QStringList HighlightTexts(PdfView* view, int page) {
  QStringList texts;
  for (const PdfTextSelection& hit : view->highlights(page)) texts << hit.text;
  return texts;
}

TEST_F(ViewPDFDlgTest, SearchHitsGoToTheFirstHitFromThePageHighlightThemAndPrimeTheFind) {
  const QByteArray pdf = MakeTextPdf({QStringLiteral("a needle at the start"), QStringLiteral("nothing"),
                                      QStringLiteral("hay"), QStringLiteral("Needle and\nneedle"),
                                      QStringLiteral("last NEEDLE")});
  const struct {
    const char* name;
    int fromPage;
    QString query;  // as typed in the library window
    QString field;  // what the search field shows
    int page;       // of the hit shown; -1: none, the view stays
    int hitsThere;  // occurrences highlighted on that page
    int nextPage;   // where the find goes next; -1: it beeps
  } cases[] = {
      {"a later page", 1, QStringLiteral("needle"), QStringLiteral("needle"), 3, 2, 3},
      {"on the current page", 3, QStringLiteral("NEEDLE"), QStringLiteral("NEEDLE"), 3, 2, 3},
      {"the last page", 4, QStringLiteral("needle"), QStringLiteral("needle"), 4, 1, -1},
      {"none after: the first in the document", 2, QStringLiteral("\"at the\""), QStringLiteral("\"at the\""), 0, 1,
       -1},
      {"a phrase over a line's end", 1, QStringLiteral("\"and   needle\""), QStringLiteral("\"and needle\""), 3, 1,
       -1},
      {"absent", 2, QStringLiteral("thread"), QStringLiteral("thread"), -1, 0, -1},
  };
  for (const auto& c : cases) {
    ViewPDFDlg* viewer = open(0, pdf);
    viewer->window()->resize(500, 500);
    PdfView* view = viewer->pdfView();
    view->goToPage(c.fromPage);
    const int beepsBefore = beeps;
    viewer->showSearchHits(FullTextFindTexts(c.query));
    ASSERT_TRUE(WaitUntil([&] { return !view->searching(); })) << c.name;
    EXPECT_EQ(child<QLineEdit>(viewer, "textBoxSearch")->text(), c.field) << c.name;
    EXPECT_EQ(view->highlightedTexts(), FullTextFindTexts(c.query)) << c.name;
    if (c.page < 0) {
      EXPECT_EQ(view->currentPage(), c.fromPage) << c.name;
      EXPECT_FALSE(view->currentSelection().isValid()) << c.name;
      EXPECT_EQ(beeps, beepsBefore + 1) << c.name;
      viewer->close();
      continue;
    }
    EXPECT_EQ(beeps, beepsBefore) << c.name;
    EXPECT_EQ(view->currentPage(), c.page) << c.name;
    const PdfTextSelection shown = view->currentSelection();
    EXPECT_EQ(shown.page, c.page) << c.name;
    EXPECT_EQ(shown.text.simplified().toLower(), FullTextFindTexts(c.query).first().toLower()) << c.name;

    // Every occurrence on the page is highlighted, and drawn so.
    ASSERT_TRUE(WaitUntil([&] { return view->highlights(c.page).size() == c.hitsThere; }))
        << c.name << ": " << view->highlights(c.page).size();
    const QList<PdfTextSelection> hits = view->highlights(c.page);
    EXPECT_EQ(hits.front().start, shown.start) << c.name;
    for (const PdfTextSelection& hit : hits) {
      if (hit.start == shown.start) continue;  // the selection's blue lies over it
      const QRect area = OnScreen(view, hit);
      EXPECT_GT(HighlightedPixels(view, area), area.width() * area.height() / 4) << c.name;
    }
    // Text that is no hit is not highlighted.
    const QRect beside = OnScreen(view, shown).translated(0, OnScreen(view, shown).height() * 3);
    EXPECT_EQ(HighlightedPixels(view, beside), 0) << c.name;

    // The find goes on from the hit.
    search(viewer, &ViewPDFDlg::nextSearch);
    if (c.nextPage < 0) {
      EXPECT_EQ(beeps, beepsBefore + 1) << c.name;
      EXPECT_EQ(view->currentSelection().start, shown.start) << c.name;
    } else {
      EXPECT_EQ(beeps, beepsBefore) << c.name;
      EXPECT_EQ(view->currentSelection().page, c.nextPage) << c.name;
      EXPECT_GT(view->currentSelection().start + 100 * view->currentSelection().page,
                shown.start + 100 * shown.page) << c.name;
    }
    // Another text in the field takes the highlights away.
    child<QLineEdit>(viewer, "textBoxSearch")->setText(QStringLiteral("other"));
    EXPECT_TRUE(view->highlightedTexts().isEmpty()) << c.name;
    EXPECT_TRUE(view->highlights(c.page).isEmpty()) << c.name;
    viewer->close();
  }
}

TEST_F(ViewPDFDlgTest, EveryTermOfAQueryIsHighlightedAndTheFindGoesThroughAllInDocumentOrder) {
  const QByteArray pdf = MakeTextPdf({QStringLiteral("deep learning and statistics\nlearning deeply"),
                                      QStringLiteral("nothing to see"),
                                      QStringLiteral("機械学習と統計学\n統計的機械学習の理論"),
                                      QStringLiteral("Machine learning, deep and wide"),
                                      QStringLiteral("\uFF46\uFF55\uFF4C\uFF4C width, FULL stop")});  // ｆｕｌｌ
  using Hit = std::pair<int, QString>;  // page, text
  const struct {
    const char* name;
    QString query;               // as typed in the library window
    std::vector<Hit> inOrder;    // every hit, as the find goes through them
  } cases[] = {
      {"two words", QStringLiteral("deep learning"),
       {{0, "deep"}, {0, "learning"}, {0, "learning"}, {0, "deep"}, {3, "learning"}, {3, "deep"}}},
      {"a phrase and a word", QStringLiteral("\"deep learning\" statistics"),
       {{0, "deep learning"}, {0, "statistics"}}},
      {"the longer of two terms at one place", QStringLiteral("learn learning"),
       {{0, "learning"}, {0, "learning"}, {3, "learning"}}},
      {"Japanese terms", QStringLiteral("統計　機械学習"),
       {{2, "機械学習"}, {2, "統計"}, {2, "統計"}, {2, "機械学習"}}},
      {"Japanese and English", QStringLiteral("理論 machine"), {{2, "理論"}, {3, "Machine"}}},
      {"width and case folded as the index folds them", QStringLiteral("Ｆｕｌｌ"),
       {{4, QStringLiteral("\uFF46\uFF55\uFF4C\uFF4C")}, {4, "FULL"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ViewPDFDlg* viewer = open(0, pdf);
    viewer->window()->resize(500, 500);
    PdfView* view = viewer->pdfView();
    view->goToPage(0);
    viewer->showSearchHits(FullTextFindTexts(c.query));
    ASSERT_TRUE(WaitUntil([&] { return !view->searching(); }));

    // The find goes through every hit in order, then beeps.
    std::vector<Hit> found;
    const int beepsBefore = beeps;
    for (int step = 0; step < 20 && beeps == beepsBefore; ++step) {
      const PdfTextSelection at = view->currentSelection();
      ASSERT_TRUE(at.isValid());
      found.emplace_back(at.page, at.text.simplified());

      // Every hit on the page shown is highlighted, each drawn so.
      std::vector<QString> onPage;
      for (const Hit& hit : c.inOrder)
        if (hit.first == at.page) onPage.push_back(hit.second);
      ASSERT_TRUE(WaitUntil([&] { return view->highlights(at.page).size() == static_cast<int>(onPage.size()); }))
          << HighlightTexts(view, at.page).join(QLatin1Char('|')).toStdString();
      QStringList simplified;
      for (const PdfTextSelection& hit : view->highlights(at.page)) {
        simplified << hit.text.simplified();
        if (hit.start == at.start) continue;  // the selection's blue lies over it
        const QRect area = OnScreen(view, hit);
        if (!view->viewport()->rect().contains(area)) continue;  // scrolled out of the picture
        EXPECT_GT(HighlightedPixels(view, area), area.width() * area.height() / 4) << hit.text.toStdString();
      }
      EXPECT_EQ(simplified, QStringList(onPage.begin(), onPage.end()));
      search(viewer, &ViewPDFDlg::nextSearch);
    }
    EXPECT_EQ(found, c.inOrder);
    EXPECT_EQ(beeps, beepsBefore + 1) << "the find ends after the last hit";

    // Backwards it goes through them the other way.
    std::vector<Hit> back;
    for (int step = 0; step < 20 && beeps == beepsBefore + 1; ++step) {
      back.insert(back.begin(), {view->currentSelection().page, view->currentSelection().text.simplified()});
      search(viewer, &ViewPDFDlg::backSearch);
    }
    EXPECT_EQ(back, c.inOrder);
    viewer->close();
  }
}

TEST_F(ViewPDFDlgTest, CopyPutsTheSelectedTextOnTheClipboard) {
  ViewPDFDlg* viewer = open(0, MakeTextPdf({QStringLiteral("alpha beta gamma")}));
  child<QLineEdit>(viewer, "textBoxSearch")->setText(QStringLiteral("BETA"));
  search(viewer, &ViewPDFDlg::nextSearch);
  QApplication::clipboard()->clear();
  child<QAction>(viewer, "copy")->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("beta"));
}

// --- Printing itself

TEST(PdfPrintingTest, PrintsThePrintersPageRange) {
  QTemporaryDir dir;
  const std::unique_ptr<PdfDocument> document = PdfDocument::Open(MakeNumberedPdf(4)).document;
  ASSERT_NE(document, nullptr);
  ASSERT_EQ(document->pageCount(), 4);

  const struct {
    int from, to, pages;
  } cases[] = {{0, 0, 4}, {2, 3, 2}, {3, 9, 2}, {5, 6, 0}};
  for (const auto& c : cases) {
    const QString out = dir.filePath(QStringLiteral("out%1-%2.pdf").arg(c.from).arg(c.to));
    {
      QPrinter printer(QPrinter::ScreenResolution);
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(out);
      if (c.from > 0) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(c.from, c.to);
      }
      EXPECT_EQ(PrintPdfDocument(document.get(), &printer), c.pages) << c.from << "-" << c.to;
    }
    if (c.pages == 0) continue;
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::unique_ptr<PdfDocument> printed = PdfDocument::Open(file.readAll()).document;
    ASSERT_NE(printed, nullptr);
    ASSERT_EQ(printed->pageCount(), c.pages);
    // Printed as images: no text, but ink on every page.
    for (int page = 0; page < c.pages; ++page) {
      const QImage image = printed->render(page, QSize(200, 283), QRect(0, 0, 200, 283));
      bool ink = false;
      for (int y = 0; y < image.height() && !ink; ++y)
        for (int x = 0; x < image.width() && !ink; ++x) ink = qGray(image.pixel(x, y)) < 128;
      EXPECT_TRUE(ink) << c.from << "-" << c.to << " page " << page;
      EXPECT_TRUE(printed->pageText(page).text.trimmed().isEmpty()) << page;
    }
  }
  EXPECT_EQ(PrintPdfDocument(nullptr, SharedPrinter()), 0);
}

}  // namespace
