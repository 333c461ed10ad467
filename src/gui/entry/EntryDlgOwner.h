#pragma once
// What an entry information window needs from the library window that opened
// it. The library document implements it; a test can stand in for it.

class QWidget;

class EntryDlgOwner {
 public:
  virtual ~EntryDlgOwner() = default;

  /// Filter, sort and show the entry list again: an entry was written.
  virtual void makeEntryList() = 0;

  /// Rebuild the three category lists from the category table: a category
  /// triple, and with it a name, may be new.
  virtual void makeCategoryLists() = 0;

  /// The change is made in memory but the library file could not be written:
  /// tell the user (an alert).
  virtual void reportSaveFailure() = 0;

  /// The application's frontmost window, the one a new information window
  /// opens in front of (its place is cascaded from it); null when there is
  /// none.
  virtual QWidget* frontWindow() const = 0;
};
