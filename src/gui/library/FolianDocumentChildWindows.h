#pragma once
// The library window's registries of its child windows: one information
// window (EntryDlg) per entry in flnData->entryWindow and one viewer
// (ViewPDFDlg) per stored PDF in flnData->pdfViewer. Asking again for a
// window that is open brings it forward instead of opening a second one.
// Each window removes its own record when it is closed for good.

#include <QString>
#include <cstdint>

#include "library/FlnAttachmentHash.h"
#include "format/FlnRecords.h"

class EntryDlg;
class EntryDlgOwner;
class QWidget;
class ViewPDFDlg;

/// Opens the information window of record `index` of `entryArray`, or
/// brings the open one of that entry forward and makes it active. A new
/// window is bound to `document` and `flnData` and shown (which stamps the
/// entry's last-view date and saves); the entryWindow registry is created
/// when there is none. Nothing happens for an index outside the array or
/// when memory for the registry runs out.
void ShowEntryWindow(EntryDlgOwner* document, FLN_DATA* flnData, TESK_ARY entryArray, int32_t index);

/// Opens a viewer on the PDF of `entry` (a stored record) kept as member
/// `dataIndex` of its library file, or shows the open
/// viewer of that entry and member again (bringing it forward). A new
/// viewer stacks by the application's activation order, reports failed
/// saves through `document`, shows the bytes read from the file (bytes that
/// are no PDF give an empty viewer) and is recorded in the pdfViewer
/// registry, which is created when there is none. False, with no viewer and
/// *fault saying why, when the PDF cannot be had from the library file (no
/// attachment, the file is damaged there, or the bytes differ from the ones
/// stored: ReadEntryPdf): the caller tells the user (PdfUnreadableMessage).
bool OpenPdfViewer(EntryDlgOwner* document, const FLN_ENTRY& entry, int32_t dataIndex, FLN_DATA* flnData,
                   PdfFault* fault);

/// The alert for an entry whose PDF cannot be shown, naming the entry by its
/// title: it has none (`dataIndex` -1), it cannot be read from the library
/// file, or its bytes differ from the ones stored (`fault`).
QString PdfUnreadableMessage(const FLN_ENTRY& entry, int32_t dataIndex, PdfFault fault);

/// The information window of the first entryWindow record holding
/// `entry`'s en_id; null without a registry or such a record.
EntryDlg* GetEntryDlgFromFlnEntry(const FLN_DATA* flnData, const FLN_ENTRY& entry);

/// The viewer of the first pdfViewer record holding `entry`'s en_id; null
/// without a registry or such a record.
ViewPDFDlg* GetViewPDFDlgFromFlnEntry(const FLN_DATA* flnData, const FLN_ENTRY& entry);

/// A child window and the stacking position its entry remembered (1 for
/// the frontmost window, growing backwards).
struct WindowOrder {
  int32_t order;
  QWidget* window;
};

/// b's order minus a's order: sorting by it puts the largest order (the
/// window furthest back) first.
int WindowOrderCompare(const WindowOrder& a, const WindowOrder& b);
