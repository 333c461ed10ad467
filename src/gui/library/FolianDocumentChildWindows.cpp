// The library window's child windows: the registries of information windows
// and viewers, the commands that open them, and their stacking order kept in
// the entries across closing and opening the library.

#include "gui/library/FolianDocumentChildWindows.h"

#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QTableView>
#include <algorithm>
#include <vector>

#include "gui/entry/EntryDlg.h"
#include "gui/library/FolianDocument.h"
#include "gui/library/FolianMainWindow.h"
#include "gui/viewer/ViewPDFDlg.h"
#include "gui/shell/WindowActivationOrder.h"
#include "library/FlnAttachment.h"
#include "library/FlnEntryPdf.h"
#include "library/FlnLoad.h"
#include "format/Endian.h"
#include "storage/FolianCommon.h"
#include "transfer/PdfDelete.h"

namespace {

// Registries grow by this many records at a time.
constexpr int32_t kRegistryGrowCount = 20;

// The registry record of the open viewer of entry `storedId` (as stored)
// and member `dataIndex`, or null.
ViewPDFDlg* FindViewer(const FLN_DATA* flnData, int32_t storedId, int32_t dataIndex) {
  const int32_t count = Tesk_Ary_GetSize(flnData->pdfViewer);
  for (int32_t i = 0; i < count; ++i) {
    FLN_PDF_VIEWER_REF record;
    Tesk_Ary_GetData(flnData->pdfViewer, i, &record);
    // The entry counts too: entries without a stored PDF all have the
    // member -1 and must not share one viewer.
    if (record.dataIndex == dataIndex && record.en_id == storedId) return static_cast<ViewPDFDlg*>(record.viewer);
  }
  return nullptr;
}

// The stacking position an entry keeps for `window`: its depth counted
// from 1 for the frontmost window (0 is what a new entry holds, and means
// no window), or -1 when it is not shown; 16 bits in the file's byte order.
int16_t StoredOrder(const WindowActivationOrder* order, const QWidget* window) {
  const int index = window != nullptr ? order->orderedIndex(window) : -1;
  const int depth = index < 0 ? -1 : index + 1;
  return ZEL_EndianShort_NtoL(static_cast<int16_t>(std::clamp(depth, -1, 0x7fff)));
}

}  // namespace

void ShowEntryWindow(EntryDlgOwner* document, FLN_DATA* flnData, TESK_ARY entryArray, int32_t index) {
  if (index < 0 || index >= Tesk_Ary_GetSize(entryArray)) return;
  FLN_ENTRY entry;
  Tesk_Ary_GetData(entryArray, index, &entry);
  if (flnData->entryWindow == nullptr) {
    flnData->entryWindow = Tesk_Ary_Init(sizeof(FLN_ENTRY_WINDOW_REF), kRegistryGrowCount, kRegistryGrowCount);
    if (flnData->entryWindow == nullptr) return;
  }
  if (EntryDlg* open = GetEntryDlgFromFlnEntry(flnData, entry)) {
    open->makeKeyAndOrderFront();
    return;
  }
  auto* dialog = new EntryDlg;
  dialog->setFlnEntry(document, flnData, entry);
  dialog->show();
  const FLN_ENTRY_WINDOW_REF record = {entry.en_id, dialog};
  // An unrecorded window could never be closed with the library.
  if (Tesk_Ary_Add(flnData->entryWindow, &record) != 0) dialog->close();
}

bool OpenPdfViewer(EntryDlgOwner* document, const FLN_ENTRY& entry, int32_t dataIndex, FLN_DATA* flnData,
                   PdfFault* fault) {
  *fault = PdfFault::None;
  if (flnData->pdfViewer == nullptr) {
    flnData->pdfViewer = Tesk_Ary_Init(sizeof(FLN_PDF_VIEWER_REF), kRegistryGrowCount, kRegistryGrowCount);
    if (flnData->pdfViewer == nullptr) return true;
  }
  if (ViewPDFDlg* open = FindViewer(flnData, entry.en_id, dataIndex)) {
    open->show();
    return true;
  }
  // Only the bytes that were stored are shown.
  const QByteArray pdf = ReadEntryPdf(flnData, entry, fault);
  if (*fault != PdfFault::None) return false;
  auto* viewer = new ViewPDFDlg;
  viewer->setWindowOrder([] { return WindowActivationOrder::instance()->orderedWindows(); });
  QObject::connect(viewer, &ViewPDFDlg::librarySaved, viewer, [document](int32_t, bool written) {
    if (!written) document->reportSaveFailure();
  });
  viewer->setFlnEntry(entry, flnData);
  viewer->showPdfBytes(pdf);
  viewer->show();
  const FLN_PDF_VIEWER_REF record = {entry.en_id, dataIndex, viewer};
  if (Tesk_Ary_Add(flnData->pdfViewer, &record) != 0) viewer->close();
  return true;
}

QString PdfUnreadableMessage(const FLN_ENTRY& entry, int32_t dataIndex, PdfFault fault) {
  const QString title = FLN_COMM_CreateNSString_FromUniChar_LtoN(entry.en_title, sizeof entry.en_title);
  if (dataIndex < 0)
    return QCoreApplication::translate("FolianDocumentChildWindows", "「%1」にはPDFがありません。").arg(title);
  if (fault == PdfFault::DigestMismatch || fault == PdfFault::SizeMismatch)
    return QCoreApplication::translate("FolianDocumentChildWindows",
                                       "「%1」のPDFは読み込んだときの内容と異なるため、開きません。"
                                       "ライブラリのファイルのこのPDFの部分が壊れています。")
        .arg(title);
  return QCoreApplication::translate(
             "FolianDocumentChildWindows",
             "「%1」のPDFをライブラリから読み出せません。ライブラリのファイルのこのPDFの部分が壊れています。")
      .arg(title);
}

EntryDlg* GetEntryDlgFromFlnEntry(const FLN_DATA* flnData, const FLN_ENTRY& entry) {
  const int32_t count = Tesk_Ary_GetSize(flnData->entryWindow);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ENTRY_WINDOW_REF record;
    Tesk_Ary_GetData(flnData->entryWindow, i, &record);
    if (record.en_id == entry.en_id) return static_cast<EntryDlg*>(record.window);
  }
  return nullptr;
}

ViewPDFDlg* GetViewPDFDlgFromFlnEntry(const FLN_DATA* flnData, const FLN_ENTRY& entry) {
  const int32_t count = Tesk_Ary_GetSize(flnData->pdfViewer);
  for (int32_t i = 0; i < count; ++i) {
    FLN_PDF_VIEWER_REF record;
    Tesk_Ary_GetData(flnData->pdfViewer, i, &record);
    if (record.en_id == entry.en_id) return static_cast<ViewPDFDlg*>(record.viewer);
  }
  return nullptr;
}

int WindowOrderCompare(const WindowOrder& a, const WindowOrder& b) { return b.order - a.order; }

// --- The document's side

QWidget* FolianDocument::frontWindow() const { return WindowActivationOrder::instance()->frontWindow(); }

void FolianDocument::showInfo() {
  const std::vector<int> rows = selectedEntryRows();
  if (rows.empty()) return;
  for (int row : rows) ShowEntryWindow(this, &_fln_data, _fln_data.showEntryAry, row);
  // Showing stamped the entries' last-view dates.
  saveLibrary();
  makeEntryList();
}

void FolianDocument::openPDF() {
  for (int row : selectedEntryRows()) openPdfViewerForRow(row);
}

void FolianDocument::doElementViewDoubleClick() {
  const int row = selectedRow();
  if (row >= 0) openPdfViewerForRow(row);
}

int FolianDocument::selectedRow() const {
  const QItemSelectionModel* selection = entryListBox()->selectionModel();
  const QModelIndex current = selection->currentIndex();
  if (current.isValid() && selection->isSelected(current)) return current.row();
  const std::vector<int> rows = selectedEntryRows();
  return rows.empty() ? -1 : rows.back();
}

void FolianDocument::openPdfViewerForRow(int row) {
  FLN_ENTRY entry;
  if (GetFLNEntry_ByFLNData(&_fln_data, row, &entry) != 1) return;
  const int32_t dataIndex = GetAttachmentIndex(_fln_data.showEntryAry, _fln_data.attachment, row);
  PdfFault fault;
  if (!OpenPdfViewer(this, entry, dataIndex, &_fln_data, &fault)) alert(PdfUnreadableMessage(entry, dataIndex, fault));
  else showFullTextHits(entry);
}

void FolianDocument::reopenChildWindows() {
  std::vector<WindowOrder> windows;
  const int32_t count = Tesk_Ary_GetSize(_fln_data.entry);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(_fln_data.entry, i, &entry);
    const int32_t entryOrder = ZEL_EndianShort_LtoN(entry.en_entry_window_ordered_index);
    const int32_t viewerOrder = ZEL_EndianShort_LtoN(entry.en_pdf_window_ordered_index);
    if (entryOrder > 0) {
      ShowEntryWindow(this, &_fln_data, _fln_data.entry, i);
      if (EntryDlg* dialog = GetEntryDlgFromFlnEntry(&_fln_data, entry)) windows.push_back({entryOrder, dialog->window()});
    }
    if (viewerOrder > 0) {
      const int32_t dataIndex = GetAttachmentIndex(_fln_data.entry, _fln_data.attachment, i);
      PdfFault fault;
      if (!OpenPdfViewer(this, entry, dataIndex, &_fln_data, &fault))
        alert(PdfUnreadableMessage(entry, dataIndex, fault));
      if (ViewPDFDlg* viewer = GetViewPDFDlgFromFlnEntry(&_fln_data, entry))
        windows.push_back({viewerOrder, viewer->window()});
    }
  }
  // Furthest back first, so that the smallest order ends in front.
  std::stable_sort(windows.begin(), windows.end(),
                   [](const WindowOrder& a, const WindowOrder& b) { return WindowOrderCompare(a, b) < 0; });
  for (const WindowOrder& window : windows) WindowActivationOrder::instance()->orderFront(window.window);
}

void FolianDocument::saveChildWindowState() {
  const WindowActivationOrder* order = WindowActivationOrder::instance();
  const int32_t count = Tesk_Ary_GetSize(_fln_data.entry);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(_fln_data.entry, i, &entry);
    const EntryDlg* dialog = GetEntryDlgFromFlnEntry(&_fln_data, entry);
    const ViewPDFDlg* viewer = GetViewPDFDlgFromFlnEntry(&_fln_data, entry);
    // A hidden viewer has no place in the stack and is not reopened.
    const int16_t entryOrder = StoredOrder(order, dialog != nullptr ? dialog->window() : nullptr);
    const int16_t viewerOrder = StoredOrder(order, viewer != nullptr ? viewer->window() : nullptr);
    if (entry.en_entry_window_ordered_index == entryOrder && entry.en_pdf_window_ordered_index == viewerOrder)
      continue;
    // Where the user left its windows is no change of the entry: its update
    // date stays.
    entry.en_entry_window_ordered_index = entryOrder;
    entry.en_pdf_window_ordered_index = viewerOrder;
    Tesk_Ary_Update(_fln_data.entry, i, &entry);
  }
}

void FolianDocument::updateChildWindows() {
  for (int32_t i = 0; i < Tesk_Ary_GetSize(_fln_data.entryWindow); ++i) {
    FLN_ENTRY_WINDOW_REF record;
    Tesk_Ary_GetData(_fln_data.entryWindow, i, &record);
    static_cast<EntryDlg*>(record.window)->showStoredEntry();
  }
  for (int32_t i = 0; i < Tesk_Ary_GetSize(_fln_data.pdfViewer); ++i) {
    FLN_PDF_VIEWER_REF record;
    Tesk_Ary_GetData(_fln_data.pdfViewer, i, &record);
    static_cast<ViewPDFDlg*>(record.viewer)->showEntryTitle();
  }
}

void FolianDocument::closeChildWindows() {
  // Each close removes its own record: walk from the last one.
  for (int32_t i = Tesk_Ary_GetSize(_fln_data.pdfViewer) - 1; i >= 0; --i) {
    FLN_PDF_VIEWER_REF record;
    Tesk_Ary_GetData(_fln_data.pdfViewer, i, &record);
    static_cast<ViewPDFDlg*>(record.viewer)->close();
  }
  for (int32_t i = Tesk_Ary_GetSize(_fln_data.entryWindow) - 1; i >= 0; --i) {
    FLN_ENTRY_WINDOW_REF record;
    Tesk_Ary_GetData(_fln_data.entryWindow, i, &record);
    static_cast<EntryDlg*>(record.window)->close();
  }
  // The windows are gone; a record that outlived its window would point nowhere.
  Tesk_Ary_RemoveAll(_fln_data.pdfViewer);
  Tesk_Ary_RemoveAll(_fln_data.entryWindow);
}

EntryWindowClosers FolianDocument::childWindowClosers() {
  EntryWindowClosers closers;
  closers.closePdfViewer = [](void* viewer) { static_cast<ViewPDFDlg*>(viewer)->close(); };
  closers.closeEntryWindow = [](void* window) { static_cast<EntryDlg*>(window)->close(); };
  return closers;
}
