#pragma once
// Helpers for the widget tests: small library files written through the
// library functions, a document controller whose windows are driven
// offscreen, and alerts answered from the test.

#include <QString>
#include <functional>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <string>
#include <vector>

#include "gui/shell/Alert.h"
#include "format/FlnRecords.h"

class FolianDocument;
class QAbstractItemView;
class QWidget;

namespace apptest {

struct EntryContents {
  std::string title;
  std::string c1 = "その他", c2 = "その他", c3 = "その他";
  int32_t fileSize = 0;
  int16_t rate = 0;
  std::string author;
  std::string updateDate;  // 17 digits, or empty
};

/// An entry with a title and three category names.
EntryContents Entry(const std::string& title, const std::string& c1, const std::string& c2, const std::string& c3);

struct LibraryContents {
  /// Category triples; a new library's ("その他" x 3) is kept first.
  std::vector<std::vector<std::string>> triples;
  std::vector<EntryContents> entries;
  /// Sort keys: kinds and directions; kind 0 leaves the library's default.
  FLN_ENTRY_LIST_INFO sort = {{0, 0, 0}, {1, 1, 1}};
};

/// Writes a new library file at `path` holding `contents`; fails the test on error.
void WriteLibrary(const QString& path, const LibraryContents& contents);

/// The table of the worked example: (A, X, P), (A, Y, Q), (B, X, Q), one entry each.
LibraryContents WorkedExample();

/// Records every alert and answers confirmations with the queued answers
/// (then "いいえ"), for as long as it lives.
class ScriptedAlerts {
 public:
  ScriptedAlerts();
  ~ScriptedAlerts();
  std::vector<bool> answers;       // answers to confirmations, in order
  std::vector<AlertRequest> asked;  // everything shown, in order
  QStringList texts() const;
};

/// The rows of a category list (level 1..3) of `document`, as shown.
QStringList CategoryRows(FolianDocument* document, int level);
/// The text of column `identifier` in every row of the entry list.
QStringList EntryColumn(FolianDocument* document, const char* identifier);
/// Clicks row `row` of `view` as a user would (selecting it alone).
void ClickRow(QAbstractItemView* view, int row);
/// The stored environment value of `key`, or a null QString.
QString EnvironmentValue(FolianDocument* document, const char* key);

/// Runs `answer` on the next modal dialog as soon as one is shown (polling
/// the event loop), e.g. to fill it and press OK.
void AnswerNextModal(std::function<void(QWidget*)> answer);

}  // namespace apptest
