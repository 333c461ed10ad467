#pragma once
// The entry information window: shows and edits the metadata of one entry
// (title, note, names, the three category names, the rating) and shows its
// file facts, dates, identifier and the labels of the category levels. Each
// entry has at most one such window; several may be open at once.
//
// Nothing waits for an explicit save: whenever the window stops being the
// active window and when it closes, the fields the user changed are written
// back into the entry and the library is saved. A field the user did not
// change is never written: what another command stored in it meanwhile stays. Moving the window stores its place in the
// entry, where it opens next time. The window keeps no copy of the entry:
// every operation reads the current record by en_id and writes it back into
// the library's `entry` array, which also stamps its update date.
//
// Life: created by the library window (new EntryDlg, setFlnEntry, show),
// which keeps it in its child-window registry. Closing it (its close control
// or close()) saves once more, emits closed and deletes the dialog and its
// window soon after.

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

#include "library/FlnData.h"

class EntryDlgOwner;
class QWidget;

namespace Ui {
class EntryDlg;
}

class EntryDlg : public QObject {
  Q_OBJECT

 public:
  /// Creates the dialog and loads its window (interface "EntryDlg"), hidden.
  EntryDlg();
  ~EntryDlg() override;

  /// Binds the dialog to the library window `document`, the library
  /// `flnData` and the entry (a stored record, fields little-endian), fills
  /// the controls, sets the window title "「title」の情報" and places the
  /// window (EntryDlgPlacement.h). Call once, right after construction.
  /// `document` and `flnData` must outlive the dialog's window.
  void setFlnEntry(EntryDlgOwner* document, FLN_DATA* flnData, const FLN_ENTRY& entry);

  /// Brings the window to the front and makes it active, stamps the entry's
  /// last-view date (and update date) and saves the library, and from then on
  /// saves on deactivation and close and stores moves. Call once, after
  /// setFlnEntry.
  void show();

  /// Brings the already open window to the front and makes it active.
  void makeKeyAndOrderFront();

  /// The dialog's window.
  QWidget* window() const;

  /// The shown entry's identifier (host order).
  int32_t entryId() const { return _en_id_native; }

  /// Writes the controls the user changed since they were last filled back
  /// into the entry: the selected tab, title, note, the five names, the three
  /// category names as typed (an empty one becomes "その他"; one that does
  /// not fit a category record, and "＜すべて＞" or "＜変更しない＞", keep the
  /// stored name, the latter two with an alert), the rating (unless no rating
  /// item is chosen); then the update date. A text too long for its field
  /// keeps the stored text. Adds the category
  /// triple when the entry's combination is new, writes the entry into
  /// the library's `entry` array, saves the library without its sort records,
  /// has the library window rebuild its entry and category lists, and fills
  /// the controls again from the saved entry. A failed save is reported
  /// through the library window. Returns true when the library file was
  /// written; false also when the entry is no longer in the library (nothing
  /// is written then).
  bool save();

  /// Closes the window: saves, emits closed and goes (see above).
  void close();

  /// Fills every control from `entry` (a stored record); these values count
  /// as unchanged for the next save.
  void InitControls(const FLN_ENTRY& entry);

  /// Shows the entry as the library holds it now, after another command
  /// changed it, the category table or the level labels: every control the
  /// user has not changed is filled anew; the user's changes stay to be
  /// saved. Nothing happens while the dialog saves or once it is closed, or
  /// when the entry is gone.
  void showStoredEntry();

 signals:
  /// The window is closing for good and has saved: whoever keeps the dialog
  /// lets go of it.
  void closed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The window moved: store its frame in the entry and save.
  void windowMoved();
  // The window is closing: save and say so.
  void windowWillClose();
  // The values of the controls a save may write, in a fixed order.
  enum Control { Tab, Title, Note, Author, Editor, Supervisor, Translator, Publisher, Cat1, Cat2, Cat3, Rate,
                 ControlCount };
  using ControlValues = std::array<QString, ControlCount>;
  ControlValues readControls() const;
  void setControl(Control control, const QString& value);
  // Writes the controls that differ from `_shown` into `entry`; the alert
  // for a refused category name goes to `refusal`.
  void storeChangedControls(FLN_ENTRY* entry, QString* refusal) const;
  void placeWindow(const FLN_ENTRY& entry);
  void fillCategoryCombo(int level, const FLN_ENTRY& entry);
  // Writes `entry` into the library's `entry` array and saves the library;
  // false (reported through the owner) when the file was not written.
  bool writeEntryAndSave(FLN_ENTRY* entry);

  std::unique_ptr<QWidget> _window;
  std::unique_ptr<Ui::EntryDlg> _ui;
  ControlValues _shown;  // the controls as last filled from the entry
  EntryDlgOwner* _folianDocument = nullptr;
  FLN_DATA* _flnData = nullptr;
  int32_t _en_id_native = 0;
  bool _observing = false;  // shown: window events save
  bool _saving = false;     // writing the entry (an alert may spin the event loop meanwhile)
  bool _closed = false;
};
