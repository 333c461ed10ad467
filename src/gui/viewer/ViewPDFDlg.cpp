// The viewer window's creation and showing, its window events, the entry
// record it stamps and the registry record it leaves.

#include "gui/viewer/ViewPDFDlg.h"

#include <QCoreApplication>
#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTimer>

#include "gui/shell/Alert.h"
#include "gui/entry/EntryDlgPlacement.h"
#include "gui/viewer/PdfPasswordPrompt.h"
#include "gui/shell/ScreenFit.h"
#include "pdfview/PdfView.h"
#include "pdfview/PdfDocument.h"
#include "gui/viewer/ViewPDFDlgPlacement.h"
#include "library/FlnEntryLookup.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "storage/TeskUtil.h"
#include "ui_ViewPDFDlg.h"

namespace {

// The longest that the library's save waits for the first page to be
// painted (a hidden window paints nothing), in milliseconds.
constexpr int kLongestSaveDeferral = 2000;

}  // namespace

ViewPDFDlg::ViewPDFDlg(QObject* parent)
    : QObject(parent),
      _window(std::make_unique<QMainWindow>()),
      _ui(std::make_unique<Ui::ViewPDFDlg>()),
      _beep([] { QApplication::beep(); }),
      _openUrl([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
  _ui->setupUi(_window.get());
  // The keyboard scrolls the pages until the user goes elsewhere.
  _ui->pdfView->setFocus();
  _window->installEventFilter(this);
  buildSidebar();
  connectControls();
  connect(_ui->pdfView, &PdfView::externalLinkActivated, this, &ViewPDFDlg::openExternalLink);
  modeHand();
  pageChanged();
  scaleChanged();
}

ViewPDFDlg::~ViewPDFDlg() {
  // The view renders from the document on its own thread: it stops first.
  _window.reset();
}

QMainWindow* ViewPDFDlg::window() const { return _window.get(); }

PdfView* ViewPDFDlg::pdfView() const { return _ui->pdfView; }

void ViewPDFDlg::setWindowOrder(std::function<QList<QWidget*>()> orderedWindows) {
  _orderedWindows = std::move(orderedWindows);
}

void ViewPDFDlg::setBeep(std::function<void()> beep) { _beep = std::move(beep); }

void ViewPDFDlg::setUrlOpener(std::function<void(const QUrl&)> opener) { _openUrl = std::move(opener); }

void ViewPDFDlg::openExternalLink(const QString& uri) {
  const QUrl url(uri);
  if (!url.isValid()) return;
  if (FLN_COMM_Alert_Confirm(
          _window.get(), QCoreApplication::translate("ViewPDFDlg", "次のリンクをブラウザで開きますか？\n%1").arg(uri)))
    _openUrl(url);
}

void ViewPDFDlg::setTitle(const QString& title) { _window->setWindowTitle(title); }

void ViewPDFDlg::showEntryTitle() {
  const QString title = getPdfTitle();
  if (_observingMoves && !title.isEmpty()) setTitle(title);
}

QString ViewPDFDlg::getPdfTitle() const {
  FLN_ENTRY entry;
  if (_flnData == nullptr || GetFLNEntry_ByID(_flnData->entry, _en_id_native, &entry) != 1) return QString();
  return FLN_COMM_CreateNSString_FromUniChar_LtoN(entry.en_title, sizeof entry.en_title);
}

void ViewPDFDlg::setFlnEntry(const FLN_ENTRY& entry, FLN_DATA* flnData) {
  _flnData = flnData;
  _en_id_native = ZEL_EndianLong_LtoN(entry.en_id);
  const FlnRect stored = {ZEL_EndianShort_LtoN(entry.en_pdf_window_position.top),
                          ZEL_EndianShort_LtoN(entry.en_pdf_window_position.left),
                          ZEL_EndianShort_LtoN(entry.en_pdf_window_position.bottom),
                          ZEL_EndianShort_LtoN(entry.en_pdf_window_position.right)};
  // An entry whose viewer never moved stores zeros: the window keeps its
  // own size rather than shrinking to its minimum.
  const QRect frame = FLNRectToNSRect(stored);
  if (IsRememberedViewerFrame(frame)) ChangeWindowSizePosition(frame);
  restoreSidebarState();
}

void ViewPDFDlg::showPdfBytes(const QByteArray& data) {
  // The document is opened before the window is shown: the worker starts on
  // the first page while this thread places and lays out the window.
  PdfOpenResult opened = PdfDocument::Open(data);
  if (opened.status == PdfOpenStatus::NeedsPassword) {
    bringToFront();  // the password dialog over the viewer
    opened = AskPasswordWhenNeeded(std::move(opened), data, getPdfTitle(), _window.get());
  }
  if (opened.status != PdfOpenStatus::Opened) {
    bringToFront();
    _ui->pdfView->setMessage(opened.status == PdfOpenStatus::NeedsPassword ? NoPasswordMessage()
                                                                           : DamagedPdfMessage(opened.reason));
    return;
  }
  _document = std::move(opened.document);
  _observingMoves = true;
  // The first page before anything else: the library is saved once it is
  // painted, not before.
  _savesDeferred = true;
  connect(_ui->pdfView, &PdfView::visiblePagesPainted, this, &ViewPDFDlg::saveDeferred, Qt::SingleShotConnection);
  QTimer::singleShot(kLongestSaveDeferral, this, &ViewPDFDlg::saveDeferred);
  _ui->pdfView->setDocument(_document.get());
  showEntryTitle();
  pageChanged();
  show();
}

void ViewPDFDlg::saveDeferred() {
  if (!_savesDeferred) return;
  _savesDeferred = false;
  if (!_savePending || _flnData == nullptr) return;
  _savePending = false;
  const bool written = SaveAllWithoutEntrySort(_flnData->filePath, _flnData).ok();
  emit librarySaved(_en_id_native, written);
}

void ViewPDFDlg::show() {
  // The window behind is the one that was in front before this one came.
  QWidget* behind = windowBehind();
  FLN_ENTRY entry;
  QRect frame;
  if (_flnData != nullptr && GetFLNEntry_ByID(_flnData->entry, _en_id_native, &entry) == 1) {
    frame = FLNRectToNSRect({ZEL_EndianShort_LtoN(entry.en_pdf_window_position.top),
                             ZEL_EndianShort_LtoN(entry.en_pdf_window_position.left),
                             ZEL_EndianShort_LtoN(entry.en_pdf_window_position.bottom),
                             ZEL_EndianShort_LtoN(entry.en_pdf_window_position.right)});
  }
  bool onScreen = false;
  for (QScreen* screen : QGuiApplication::screens()) onScreen = onScreen || screen->geometry().intersects(frame);
  if (!IsRememberedViewerFrame(frame) || !onScreen) {
    // A place remembered on a screen that is gone is no place either.
    QScreen* primary = QGuiApplication::primaryScreen();
    if (behind != nullptr && primary != nullptr)
      frame = PlaceViewer(behind->geometry(), _window->size(), primary->availableGeometry());
    else
      frame = _window->geometry();
  }
  ChangeWindowSizePosition(frame);
  bringToFront();
  pageChanged();
  stampDate(false);
  _ui->textPageMax->setText(QString::number(_ui->pdfView->pageCount()));
  scaleChanged();
  modeHand();
  // The page gets the keys, so that the viewer's shortcuts (Ctrl+Right, ...)
  // work at once; the page box would take them as its own cursor keys.
  _ui->pdfView->setFocus(Qt::ActiveWindowFocusReason);
}

void ViewPDFDlg::bringToFront() {
  QWidget* active = QApplication::activeWindow();
  if (active != nullptr && active != _window.get()) _activeBeforeFront = active;
  _window->show();
  _window->raise();
  _window->activateWindow();
}

QWidget* ViewPDFDlg::windowBehind() const {
  if (_orderedWindows) {
    for (QWidget* window : _orderedWindows())
      if (window != nullptr && window != _window.get() && window->isVisible()) return window;
    return nullptr;
  }
  QWidget* active = QApplication::activeWindow();
  if (active != nullptr && active != _window.get() && active->isVisible()) return active;
  return _activeBeforeFront != nullptr && _activeBeforeFront->isVisible() ? _activeBeforeFront.data() : nullptr;
}

void ViewPDFDlg::ChangeWindowSizePosition(const QRect& frame) {
  // The title bar stays on the screen, within reach of the mouse.
  SetGeometryOnScreen(_window.get(), QRect(frame.topLeft(), frame.size().expandedTo(_window->minimumSize())));
}

bool ViewPDFDlg::eventFilter(QObject* watched, QEvent* event) {
  // A new size is remembered like a new place.
  const bool frameChanged = event->type() == QEvent::Move || event->type() == QEvent::Resize;
  if (watched == _window.get() && frameChanged && _observingMoves && !_closed) myPDFWindowDidMove();
  // A close event is let through: the window hides and the viewer stays.
  return QObject::eventFilter(watched, event);
}

void ViewPDFDlg::myPDFWindowDidMove() {
  FLN_ENTRY entry;
  if (_flnData == nullptr || GetFLNEntry_ByID(_flnData->entry, _en_id_native, &entry) != 1) return;
  const FlnRect frame = EntryDlgFrameToFlnRect(_window->geometry());
  const FlnRect stored = {ZEL_EndianShort_NtoL(frame.top), ZEL_EndianShort_NtoL(frame.left),
                          ZEL_EndianShort_NtoL(frame.bottom), ZEL_EndianShort_NtoL(frame.right)};
  const FlnRect& old = entry.en_pdf_window_position;
  // The window system may report a place the window already had.
  if (old.top == stored.top && old.left == stored.left && old.bottom == stored.bottom && old.right == stored.right)
    return;
  entry.en_pdf_window_position = stored;
  writeEntryAndSave(&entry);
}

void ViewPDFDlg::stampDate(bool lastUse) {
  FLN_ENTRY entry;
  if (_flnData == nullptr || GetFLNEntry_ByID(_flnData->entry, _en_id_native, &entry) != 1) return;
  char* field = lastUse ? entry.en_last_use_date : entry.en_last_view_date;
  Tesk_GetCurrentTimeAsString(field, sizeof entry.en_last_view_date);
  writeEntryAndSave(&entry);
}

bool ViewPDFDlg::writeEntryAndSave(FLN_ENTRY* entry) {
  UpdateEntry(_flnData->entry, entry);
  if (_savesDeferred) {
    _savePending = true;
    return true;
  }
  const bool written = SaveAllWithoutEntrySort(_flnData->filePath, _flnData).ok();
  emit librarySaved(_en_id_native, written);
  return written;
}


void ViewPDFDlg::close() {
  if (_closed) return;
  _closed = true;
  saveDeferred();  // a date stamped before the first page was painted is not lost
  _window->hide();
  emit closed();
  deleteLater();
}
