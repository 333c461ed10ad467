#pragma once
// The viewer window of one entry's PDF: the document in a PdfView with
// page buttons, a page number box and the page count, zoom buttons, the two
// tool buttons (hand, text) and a search field, and menus for navigation,
// zoom, the four display modes, the tools, search, copy, printing and page
// setup. Each menu item is enabled and checked as validateMenuItem says.
//
// The viewer keeps no copy of the entry: whenever it needs it, it looks the
// entry up by en_id in the library's entry array and writes it back into
// `entry` (which the entry list reads too). Every showing stamps the entry's last-view
// date, printing also its last-use date, and moving or resizing the window
// stores its frame in en_pdf_window_position; each of these saves the
// library (without its sort records) and reports it through librarySaved.
// When a document is shown, the first page is painted first: what changes
// until then (the date, the window's placement) is saved in one go once it
// is painted (or two seconds later, when the window paints nothing).
//
// Life, as the library window drives it:
//   auto* viewer = new ViewPDFDlg;                        // window built, hidden
//   viewer->setFlnEntry(entry, flnData);                  // binds, applies a remembered frame
//   viewer->showPdfBytes(ReadPDFData_ByFLNFile(...));  // loads and shows the PDF
//   viewer->show();                                       // places, stamps, hand tool
// The library window keeps it in its child-window registry; later requests
// for the same attachment call show() again. The window's own close control
// only hides it. close() is the real end: it emits closed and deletes the
// viewer soon after.
//
// Bytes that the PDF engine cannot open (damaged, empty, or encrypted and
// the password dialog cancelled) leave an empty viewer with the page count
// 0 that says why; such a viewer does not store its moves or sizes.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "library/FlnData.h"

class PdfView;
class PdfSidebar;
class QAction;
class QUrl;
class QMainWindow;
class PdfDocument;
struct PdfTextSelection;
class QWidget;

/// The environment value that keeps the viewer's sidebar state for the library.
constexpr char kEnvViewerSidebar[] = "pdf_viewer_sidebar";

namespace Ui {
class ViewPDFDlg;
}

class ViewPDFDlg : public QObject {
  Q_OBJECT

 public:
  /// Builds the window from its interface "ViewPDFDlg", hidden, empty, with
  /// the hand tool.
  explicit ViewPDFDlg(QObject* parent = nullptr);
  ~ViewPDFDlg() override;

  // --- Creation and showing

  /// Binds the viewer to the library `flnData` (not owned; must outlive the
  /// viewer) and to the entry (a stored record, fields little-endian), and
  /// applies the entry's remembered frame when it has one (at least the
  /// window's minimum size). Call once, before showPdfBytes.
  void setFlnEntry(const FLN_ENTRY& entry, FLN_DATA* flnData);

  /// Loads `data` as a PDF; an encrypted one brings the window to the front
  /// and asks for its password (PdfPasswordPrompt.h). When it opens: from
  /// now on moves and resizes of the window are stored, the view shows the
  /// document, the title becomes the entry's title (when it has one), and
  /// the viewer is shown (show()). Otherwise the window is brought to the
  /// front as it is, empty, with its interface title, and the view says why
  /// (no password, or a damaged file).
  void showPdfBytes(const QByteArray& data);

  /// Places the window (its remembered frame when the entry has one on a
  /// screen, else in front of the window behind it, ViewPDFDlgPlacement.h),
  /// brings it to the front and makes it active, updates the buttons and
  /// page box, stamps the entry's last-view date and saves, shows the page
  /// count and selects the hand tool.
  void show();

  /// How show() finds the window behind the viewer: the application's
  /// windows front to back (Qt keeps no stacking order; the library keeps
  /// one by activation). The first visible window other than the viewer's
  /// counts. Without it, the active window at the time the viewer was
  /// brought forward counts.
  void setWindowOrder(std::function<QList<QWidget*>()> orderedWindows);

  /// What a failed search sounds (QApplication::beep unless replaced).
  void setBeep(std::function<void()> beep);
  /// What opens a link's address outside (QDesktopServices::openUrl unless replaced).
  void setUrlOpener(std::function<void(const QUrl&)> opener);

  void setTitle(const QString& title);
  /// Shows the entry's title as it is stored now as the window title, once
  /// the PDF is shown (the entry's title changed); an empty title or a gone
  /// entry leaves the window title as it is.
  void showEntryTitle();
  /// The entry's title; a null string when the entry is no longer there.
  QString getPdfTitle() const;
  QMainWindow* window() const;
  PdfView* pdfView() const;
  /// The entry's en_id in host order.
  int32_t entryId() const { return _en_id_native; }

  /// The real end: hides the window for good, emits closed and deletes the
  /// viewer once control returns to the event loop. Nothing is saved but
  /// what waited for the first page to be painted.
  void close();

  // --- Commands (the buttons, the page box, the search field and the menus)

  void goToFirstPage();
  void goToLastPage();
  void goToNextPage();
  void goToPreviousPage();
  void goBack();
  void goForward();
  void zoomIn();
  void zoomOut();
  void displaySinglePage();
  void displaySinglePageContinous();
  void displayTwoUp();
  void displayTwoUpContinous();
  /// Turns automatic scaling off when it is on, on otherwise.
  void autoSize();
  /// Scale factor 1.0.
  void defaultSize();
  /// Goes to the page whose number (1-based) is in the page box; a number
  /// outside 1..page count (or no number) leaves the view where it is and
  /// the box shows the current page again.
  void pageJump();
  /// The page box shows the current page's number.
  void resetPageNum();
  /// The page buttons are enabled as the view can go back or on; then resetPageNum.
  void pageChanged();
  /// The zoom buttons are enabled as the view can zoom in or out.
  void scaleChanged();
  /// Puts the keyboard focus into the search field.
  void findPDF();
  /// Searches for the search field's text after the selection, ignoring
  /// case, and puts the focus into the search field. The search runs on a
  /// thread of its own (PdfView::find); when it is done, what it found
  /// becomes the selection and is scrolled into view, or, when it found
  /// nothing, the beep sounds and the selection stays. Every occurrence on
  /// the pages shown is highlighted until the field's text changes. What
  /// matches: PdfPageText.h.
  void nextSearch();
  /// The same backwards; the focus is not moved.
  void backSearch();
  /// Shows where any of `texts` occurs (the terms of a query that found the
  /// document; what matches: PdfPageText.h): puts them in the search field
  /// (a text of several words in quotes), highlights every occurrence of
  /// each on the pages shown, and selects the first occurrence on the
  /// current page or after it (the first in the document when there is none
  /// after), scrolled into view. While the field holds them, nextSearch and
  /// backSearch go through the occurrences of all of them in document order.
  /// Nothing found: the view stays where it is and the beep sounds. Like
  /// nextSearch, it searches on a thread of its own: the selection comes
  /// when the search is done.
  void showSearchHits(const QStringList& texts);
  /// Hand tool button on, text tool button off, the view's tool mode 1.
  void modeHand();
  /// Text tool button on, hand tool button off, tool mode 2.
  void modeText();
  /// Prints through the print panel; then stamps the entry's last-view date
  /// and saves, then its last-use date and saves (also when the panel was
  /// cancelled).
  void printDocument();
  /// The application's page setup panel.
  void runPageLayout();
  /// Copies the selected text.
  void copy();
  /// A click on a link to `uri` outside the document: asks whether to open
  /// it in the browser, and opens it when the user says yes.
  void openExternalLink(const QString& uri);

  /// Shows the sidebar (outline and thumbnails) when it is hidden, hides it
  /// otherwise, and keeps that (and the tab shown) for the library.
  void toggleSidebar();
  bool sidebarShown() const;
  PdfSidebar* sidebar() const;

  /// Whether the menu item may run now; also sets its check mark (table in
  /// the implementation). Items are told apart by their object names, which
  /// are the command names.
  bool validateMenuItem(QAction* item) const;

 signals:
  /// The viewer wrote its entry and saved the library; `written` is false
  /// when the library file could not be written (the change stays in memory).
  void librarySaved(int32_t enId, bool written);
  /// The viewer was closed for good: whoever keeps it lets go of it.
  void closed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void connectControls();
  /// A search's result: selected and scrolled into view, or the beep.
  void showFound(const PdfTextSelection& found);
  /// What a search for the field's text `field` looks for: the texts
  /// showSearchHits put there while the field shows them, else the text.
  QStringList searchedTexts(const QString& field) const;
  void updateMenuStates();
  void bringToFront();
  QWidget* windowBehind() const;
  void myPDFWindowDidMove();
  /// Stamps en_last_view_date (`lastUse`: en_last_use_date) of the entry,
  /// writes it back and saves; nothing when the entry is gone.
  void stampDate(bool lastUse);
  /// Writes `entry` into the library's `entry` array (stamping its update
  /// date) and saves; the result of the save. While saves are deferred
  /// (the first page of a new document is not painted yet), the save waits
  /// for saveDeferred, and the result is true.
  bool writeEntryAndSave(FLN_ENTRY* entry);
  /// Ends the deferral of saves: saves what waited for it, once.
  void saveDeferred();
  void ChangeWindowSizePosition(const QRect& frame);
  // ViewPDFDlgSidebar.cpp
  void buildSidebar();
  /// Applies the library's sidebar state (kEnvViewerSidebar).
  void restoreSidebarState();
  /// Keeps the sidebar state in the library and saves it, when it changed.
  void storeSidebarState();

  // Destroyed in reverse order: the window (and the view showing the
  // document) goes before the document.
  std::unique_ptr<PdfDocument> _document;
  std::unique_ptr<QMainWindow> _window;
  std::unique_ptr<Ui::ViewPDFDlg> _ui;

  FLN_DATA* _flnData = nullptr;
  int32_t _en_id_native = 0;
  bool _observingMoves = false;
  bool _savesDeferred = false;  // until the first page is painted (showPdfBytes)
  bool _savePending = false;    // a change waits for the end of the deferral
  bool _closed = false;
  std::function<QList<QWidget*>()> _orderedWindows;
  std::function<void()> _beep;
  std::function<void(const QUrl&)> _openUrl;
  QStringList _hitTexts;                 // of showSearchHits
  QString _hitTextsShown;                // how the search field shows them
  PdfSidebar* _sidebar = nullptr;        // owned by the window
  QAction* _toggleSidebar = nullptr;     // owned by the window
  QPointer<QWidget> _activeBeforeFront;  // the active window when the viewer was last brought forward
};
