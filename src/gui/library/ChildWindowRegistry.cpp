#include "gui/library/ChildWindowRegistry.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "format/Endian.h"
#include "gui/entry/EntryDlg.h"
#include "gui/entry/EntryDlgOwner.h"
#include "gui/shell/WindowActivationOrder.h"
#include "gui/viewer/ViewPDFDlg.h"
#include "library/FlnAttachment.h"
#include "library/FlnEntryPdf.h"
#include "format/FieldText.h"

namespace {

// The stacking position an entry keeps for `window`: its depth counted
// from 1 for the frontmost window (0 is what a new entry holds, and means
// no window), or -1 when it is not shown; 16 bits in the file's byte order.
int16_t StoredOrder(const WindowActivationOrder* order, const QWidget* window) {
  const int index = window != nullptr ? order->orderedIndex(window) : -1;
  const int depth = index < 0 ? -1 : index + 1;
  return ZEL_EndianShort_NtoL(static_cast<int16_t>(std::clamp(depth, -1, 0x7fff)));
}

// A child window and the stacking position its entry remembered (1 for the
// frontmost window, growing backwards).
struct WindowOrder {
  int32_t order;
  QWidget* window;
};

// The windows open now, copied: closing one changes the registry.
template <typename Map>
auto OpenWindows(const Map& windows) {
  std::vector<typename Map::mapped_type> open;
  for (const auto& [key, window] : windows)
    if (window) open.push_back(window);
  return open;
}

}  // namespace

ChildWindowRegistry::ChildWindowRegistry(EntryDlgOwner* owner, FLN_DATA* flnData, QObject* parent)
    : QObject(parent), _owner(owner), _flnData(flnData) {}

void ChildWindowRegistry::showEntryWindow(TESK_ARY entryArray, int32_t index) {
  if (index < 0 || index >= Tesk_Ary_GetSize(entryArray)) return;
  FLN_ENTRY entry;
  Tesk_Ary_GetData(entryArray, index, &entry);
  if (EntryDlg* open = entryWindow(entry)) {
    open->makeKeyAndOrderFront();
    return;
  }
  auto* dialog = new EntryDlg;
  const int32_t id = entry.en_id;
  _entryWindows[id] = dialog;
  connect(dialog, &EntryDlg::closed, this, [this, id, dialog] {
    const auto it = _entryWindows.find(id);
    // Only this dialog's own record: a newer one for the entry is not ours.
    if (it != _entryWindows.end() && it->second == dialog) _entryWindows.erase(it);
  });
  dialog->setFlnEntry(_owner, _flnData, entry);
  dialog->show();
}

bool ChildWindowRegistry::openViewer(const FLN_ENTRY& entry, int32_t dataIndex, PdfFault* fault) {
  *fault = PdfFault::None;
  // The entry counts too: entries without a stored PDF all have the member
  // -1 and must not share one viewer.
  const std::pair<int32_t, int32_t> key(entry.en_id, dataIndex);
  const auto found = _viewers.find(key);
  if (found != _viewers.end() && found->second) {
    found->second->show();
    return true;
  }
  // Only the bytes that were stored are shown.
  const QByteArray pdf = ReadEntryPdf(_flnData, entry, fault);
  if (*fault != PdfFault::None) return false;
  auto* viewer = new ViewPDFDlg;
  _viewers[key] = viewer;
  connect(viewer, &ViewPDFDlg::closed, this, [this, key, viewer] {
    const auto it = _viewers.find(key);
    if (it != _viewers.end() && it->second == viewer) _viewers.erase(it);
  });
  viewer->setWindowOrder([] { return WindowActivationOrder::instance()->orderedWindows(); });
  EntryDlgOwner* owner = _owner;
  connect(viewer, &ViewPDFDlg::librarySaved, viewer, [owner](int32_t, bool written) {
    if (!written) owner->reportSaveFailure();
  });
  viewer->setFlnEntry(entry, _flnData);
  viewer->showPdfBytes(pdf);
  viewer->show();
  return true;
}

EntryDlg* ChildWindowRegistry::entryWindow(const FLN_ENTRY& entry) const {
  const auto it = _entryWindows.find(entry.en_id);
  return it != _entryWindows.end() ? it->second.data() : nullptr;
}

ViewPDFDlg* ChildWindowRegistry::viewer(const FLN_ENTRY& entry) const {
  for (auto it = _viewers.lower_bound({entry.en_id, INT32_MIN}); it != _viewers.end() && it->first.first == entry.en_id;
       ++it)
    if (it->second) return it->second.data();
  return nullptr;
}

int ChildWindowRegistry::entryWindowCount() const { return static_cast<int>(OpenWindows(_entryWindows).size()); }

int ChildWindowRegistry::viewerCount() const { return static_cast<int>(OpenWindows(_viewers).size()); }

QString PdfUnreadableMessage(const FLN_ENTRY& entry, int32_t dataIndex, PdfFault fault) {
  const QString title = FLN_COMM_CreateNSString_FromUniChar_LtoN(entry.en_title, sizeof entry.en_title);
  if (dataIndex < 0)
    return QCoreApplication::translate("ChildWindowRegistry", "「%1」にはPDFがありません。").arg(title);
  if (fault == PdfFault::DigestMismatch || fault == PdfFault::SizeMismatch)
    return QCoreApplication::translate("ChildWindowRegistry",
                                       "「%1」のPDFは読み込んだときの内容と異なるため、開きません。"
                                       "ライブラリのファイルのこのPDFの部分が壊れています。")
        .arg(title);
  return QCoreApplication::translate(
             "ChildWindowRegistry",
             "「%1」のPDFをライブラリから読み出せません。ライブラリのファイルのこのPDFの部分が壊れています。")
      .arg(title);
}

void ChildWindowRegistry::reopen(const std::function<void(const QString&)>& alert) {
  std::vector<WindowOrder> windows;
  const int32_t count = Tesk_Ary_GetSize(_flnData->entry);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(_flnData->entry, i, &entry);
    const int32_t entryOrder = ZEL_EndianShort_LtoN(entry.en_entry_window_ordered_index);
    const int32_t viewerOrder = ZEL_EndianShort_LtoN(entry.en_pdf_window_ordered_index);
    if (entryOrder > 0) {
      showEntryWindow(_flnData->entry, i);
      if (EntryDlg* dialog = entryWindow(entry)) windows.push_back({entryOrder, dialog->window()});
    }
    if (viewerOrder > 0) {
      const int32_t dataIndex = GetAttachmentIndex(_flnData->entry, _flnData->attachment, i);
      PdfFault fault;
      if (!openViewer(entry, dataIndex, &fault)) alert(PdfUnreadableMessage(entry, dataIndex, fault));
      if (ViewPDFDlg* open = viewer(entry)) windows.push_back({viewerOrder, open->window()});
    }
  }
  // Furthest back first, so that the smallest order ends in front.
  std::stable_sort(windows.begin(), windows.end(),
                   [](const WindowOrder& a, const WindowOrder& b) { return a.order > b.order; });
  for (const WindowOrder& window : windows) WindowActivationOrder::instance()->orderFront(window.window);
}

void ChildWindowRegistry::saveStackingOrder() {
  const WindowActivationOrder* order = WindowActivationOrder::instance();
  const int32_t count = Tesk_Ary_GetSize(_flnData->entry);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(_flnData->entry, i, &entry);
    const EntryDlg* dialog = entryWindow(entry);
    const ViewPDFDlg* open = viewer(entry);
    // A hidden viewer has no place in the stack and is not reopened.
    const int16_t entryOrder = StoredOrder(order, dialog != nullptr ? dialog->window() : nullptr);
    const int16_t viewerOrder = StoredOrder(order, open != nullptr ? open->window() : nullptr);
    if (entry.en_entry_window_ordered_index == entryOrder && entry.en_pdf_window_ordered_index == viewerOrder)
      continue;
    // Where the user left its windows is no change of the entry: its update
    // date stays.
    entry.en_entry_window_ordered_index = entryOrder;
    entry.en_pdf_window_ordered_index = viewerOrder;
    Tesk_Ary_Update(_flnData->entry, i, &entry);
  }
}

void ChildWindowRegistry::updateAll() {
  for (EntryDlg* dialog : OpenWindows(_entryWindows)) dialog->showStoredEntry();
  for (ViewPDFDlg* open : OpenWindows(_viewers)) open->showEntryTitle();
}

void ChildWindowRegistry::closeWindowsOf(int32_t storedId) {
  std::vector<QPointer<ViewPDFDlg>> viewers;
  for (auto it = _viewers.lower_bound({storedId, INT32_MIN}); it != _viewers.end() && it->first.first == storedId; ++it)
    viewers.push_back(it->second);
  for (const QPointer<ViewPDFDlg>& open : viewers)
    if (open) open->close();
  const auto info = _entryWindows.find(storedId);
  if (info != _entryWindows.end() && info->second) info->second->close();
}

void ChildWindowRegistry::closeAll() {
  for (const QPointer<ViewPDFDlg>& open : OpenWindows(_viewers))
    if (open) open->close();
  for (const QPointer<EntryDlg>& dialog : OpenWindows(_entryWindows))
    if (dialog) dialog->close();
  // The windows are gone; a record that outlived its window would point nowhere.
  _viewers.clear();
  _entryWindows.clear();
}
