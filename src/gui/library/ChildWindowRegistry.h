#pragma once
// The child windows of one library window: one information window (EntryDlg)
// per entry and one viewer (ViewPDFDlg) per entry and stored PDF, found by
// the entry's en_id as stored. Asking again for a window that is open brings
// it forward instead of opening a second one. A window leaves the registry
// when it is closed for good (its `closed` signal); one deleted by any other
// way is forgotten by its QPointer.

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "library/FlnData.h"
#include "library/FlnAttachmentHash.h"

class EntryDlg;
class EntryDlgOwner;
class ViewPDFDlg;

class ChildWindowRegistry : public QObject {
  Q_OBJECT

 public:
  /// The windows read and write `flnData` and report to `owner`; both must
  /// outlive every window (closeAll ends them).
  ChildWindowRegistry(EntryDlgOwner* owner, FLN_DATA* flnData, QObject* parent = nullptr);

  /// Opens the information window of record `index` of `entryArray`, or
  /// brings the open one of that entry forward and makes it active. A new
  /// window is shown, which stamps the entry's last-view date and saves.
  /// Nothing happens for an index outside the array.
  void showEntryWindow(TESK_ARY entryArray, int32_t index);

  /// Opens a viewer on the PDF of `entry` (a stored record) kept as member
  /// `dataIndex` of the library file, or shows the open viewer of that entry
  /// and member again (bringing it forward). A new viewer stacks by the
  /// application's activation order, reports failed saves to the owner and
  /// shows the bytes read from the file (bytes that are no PDF give an empty
  /// viewer). False, with no viewer and *fault saying why, when the PDF
  /// cannot be had from the library file (ReadEntryPdf): the caller tells
  /// the user (PdfUnreadableMessage).
  bool openViewer(const FLN_ENTRY& entry, int32_t dataIndex, PdfFault* fault);

  /// The open information window of `entry`'s en_id, or null.
  EntryDlg* entryWindow(const FLN_ENTRY& entry) const;
  /// An open viewer of `entry`'s en_id (of any member), or null.
  ViewPDFDlg* viewer(const FLN_ENTRY& entry) const;
  int entryWindowCount() const;
  int viewerCount() const;

  /// Reopens the windows whose entries remember a stacking order above 0,
  /// stacked as remembered; a PDF that cannot be read is told by `alert`.
  void reopen(const std::function<void(const QString&)>& alert);
  /// Records in every entry the stacking order of its open windows: 1 for
  /// the frontmost window of the application, growing backwards; -1 when
  /// none, or for a hidden viewer. Not saved; the entries' update dates stay.
  void saveStackingOrder();
  /// Brings every open window up to date with the library after a command
  /// changed entries, categories or labels.
  void updateAll();
  /// Closes the windows of the entry with en_id `storedId` (as stored): its
  /// viewers, then its information window.
  void closeWindowsOf(int32_t storedId);
  /// Closes every viewer, then every information window.
  void closeAll();

 private:
  EntryDlgOwner* _owner;
  FLN_DATA* _flnData;
  std::map<int32_t, QPointer<EntryDlg>> _entryWindows;                     // by en_id as stored
  std::map<std::pair<int32_t, int32_t>, QPointer<ViewPDFDlg>> _viewers;  // by en_id as stored, member
};

/// The alert for an entry whose PDF cannot be shown, naming the entry by its
/// title: it has none (`dataIndex` -1), it cannot be read from the library
/// file, or its bytes differ from the ones stored (`fault`).
QString PdfUnreadableMessage(const FLN_ENTRY& entry, int32_t dataIndex, PdfFault fault);
