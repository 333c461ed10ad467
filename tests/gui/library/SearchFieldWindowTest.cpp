// The filter box above the entry list: narrowing together with the category
// choices, sorting, selection and commands on the narrowed list, the keys,
// and what clearing it restores.

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>

#include "WindowFixture.h"
#include "gui/library/LibraryMenus.h"
#include "gui/library/EntryListModel.h"
#include "gui/library/CategoryLevelPane.h"
#include "format/EntryFieldKind.h"
#include "library/FlnLoad.h"

namespace apptest {
namespace {

using SearchField = WindowFixture;

// Titles sort ascending; two levels of categories tell choices apart.
LibraryContents Shelf() {
  LibraryContents contents;
  contents.triples = {{"Books", "X", "P"}, {"Papers", "X", "P"}};
  const char* rows[][3] = {{"Deep Learning", "Books", "Goodfellow"},
                           {"Learning Theory", "Papers", "Vapnik"},
                           {"統計学入門", "Books", "山田"},
                           {"ＰＡＴＴＥＲＮ Recognition", "Papers", "Bishop"},
                           {"Reinforcement Learning", "Books", "Sutton"}};
  for (const auto& row : rows) {
    EntryContents entry = Entry(row[0], row[1], "X", "P");
    entry.author = row[2];
    contents.entries.push_back(entry);
  }
  contents.sort = {{kEntryFieldTitle, 0, 0}, {1, 1, 1}};
  return contents;
}

// Types `text` key by key into the emptied field; what no key makes (Japanese)
// arrives as an input method commits it, inserted whole.
void Type(FolianDocument* document, const QString& text) {
  QLineEdit* field = document->searchField();
  field->clear();
  for (const QChar c : text) {
    if (c.unicode() < 0x80) QTest::keyClick(field, c.toLatin1());
    else field->insert(QString(c));
  }
}

int EntriesInFile(const QString& path) {
  FLN_DATA data;
  if (!ReadFlnDataFromFlnFile(path.toUtf8().constData(), &data).ok()) return -1;
  const int count = Tesk_Ary_GetSize(data.entry);
  FreeFlnData(&data);
  return count;
}

TEST_F(SearchField, NarrowsTogetherWithTheCategoryChoices) {
  FolianDocument* document = open(Shelf());
  ASSERT_NE(document, nullptr);
  const QStringList all = {"Deep Learning", "Learning Theory", "Reinforcement Learning", "統計学入門",
                           "ＰＡＴＴＥＲＮ Recognition"};
  ASSERT_EQ(EntryColumn(document, "title"), all);
  struct Case {
    const char* typed;
    QStringList titles;
  } cases[] = {
      {"learning", {"Deep Learning", "Learning Theory", "Reinforcement Learning"}},
      {"LEARNING sutton", {"Reinforcement Learning"}},
      {"pattern", {"ＰＡＴＴＥＲＮ Recognition"}},  // width folded
      {"山田", {"統計学入門"}},                     // an author
      {"learning 山田", {}},
      {"", all},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Type(document, QString::fromUtf8(c.typed));
    EXPECT_EQ(EntryColumn(document, "title"), c.titles);
    EXPECT_EQ(document->entryCountLabel()->text(), QStringLiteral("%1件").arg(c.titles.size()));
  }

  // A category choice narrows the narrowed list further, and the other way round.
  Type(document, QStringLiteral("learning"));
  const int books = CategoryRows(document, 1).indexOf(QStringLiteral("Books"));
  ASSERT_GE(books, 0);
  ClickRow(document->folianCategory(1)->tableView(), books);
  EXPECT_EQ(EntryColumn(document, "title"), QStringList({"Deep Learning", "Reinforcement Learning"}));
  EXPECT_EQ(document->entryCountLabel()->text(), QStringLiteral("2件"));
  Type(document, QString());
  EXPECT_EQ(EntryColumn(document, "title"), QStringList({"Deep Learning", "Reinforcement Learning", "統計学入門"}));
}

TEST_F(SearchField, SortingSelectionAndCommandsWorkOnTheNarrowedList) {
  FolianDocument* document = open(Shelf());
  ASSERT_NE(document, nullptr);
  Type(document, QStringLiteral("learning"));

  // A header click sorts the narrowed list (by author) and keeps it narrowed.
  QHeaderView* header = document->entryListBox()->horizontalHeader();
  const int column = EntryListModel::columnOf("author");
  ASSERT_GE(column, 0);
  document->entryListBox()->scrollTo(document->entryListModel()->index(0, column));
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                           header->height() / 2));
  EXPECT_EQ(EntryColumn(document, "author"), QStringList({"Goodfellow", "Sutton", "Vapnik"}));

  // Row 1 of the narrowed list is deleted, and only it.
  ClickRow(document->entryListBox(), 1);
  ScriptedAlerts alerts;
  alerts.answers = {true};
  document->menus()->deletePdfs->trigger();
  EXPECT_EQ(EntryColumn(document, "title"), QStringList({"Deep Learning", "Learning Theory"}));
  EXPECT_EQ(EntriesInFile(path()), 4);
  EXPECT_EQ(document->searchField()->text(), QStringLiteral("learning"));

  // The selection made while narrowed is the selection after clearing.
  ClickRow(document->entryListBox(), 1);
  Type(document, QString());
  ASSERT_EQ(EntryColumn(document, "author"), QStringList({"Bishop", "Goodfellow", "Vapnik", "山田"}));
  EXPECT_EQ(document->selectedEntryRows(), (std::vector<int>{2}));
}

TEST_F(SearchField, KeysFocusClearAndStayInTheField) {
  FolianDocument* document = open(Shelf());
  ASSERT_NE(document, nullptr);
  document->mainWindow()->activateWindow();
  document->entryListBox()->setFocus();
  QTest::keyClick(document->entryListBox(), Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(document->searchField()->hasFocus());

  QTest::keyClicks(document->searchField(), QStringLiteral("deepx"));
  EXPECT_EQ(EntryColumn(document, "title"), QStringList());
  // Editing keys edit the text: Backspace, and Delete, which elsewhere deletes entries.
  QTest::keyClick(document->searchField(), Qt::Key_Backspace);
  EXPECT_EQ(EntryColumn(document, "title"), QStringList({"Deep Learning"}));
  ClickRow(document->entryListBox(), 0);
  document->searchField()->setFocus();
  ScriptedAlerts alerts;
  document->searchField()->setCursorPosition(0);
  QTest::keyClick(document->searchField(), Qt::Key_Delete);
  EXPECT_EQ(document->searchField()->text(), QStringLiteral("eep"));
  EXPECT_TRUE(alerts.asked.empty());
  EXPECT_EQ(EntriesInFile(path()), 5);

  QTest::keyClick(document->searchField(), Qt::Key_Escape);
  EXPECT_EQ(document->searchField()->text(), QString());
  EXPECT_EQ(document->entryListModel()->rowCount(), 5);
}

TEST_F(SearchField, ClearingRestoresTheScrollPositionAndNothingIsStored) {
  LibraryContents contents;
  for (int i = 0; i < 300; ++i)
    contents.entries.push_back(Entry(QStringLiteral("Entry %1").arg(i, 3, 10, QLatin1Char('0')).toStdString(),
                                     "その他", "その他", "その他"));
  contents.sort = {{kEntryFieldTitle, 0, 0}, {1, 1, 1}};
  FolianDocument* document = open(contents);
  ASSERT_NE(document, nullptr);
  QScrollBar* scroll = document->entryListBox()->verticalScrollBar();
  ASSERT_GT(scroll->maximum(), 100);
  scroll->setValue(scroll->maximum() / 2);
  const int before = scroll->value();

  Type(document, QStringLiteral("entry 29"));
  EXPECT_EQ(document->entryListModel()->rowCount(), 13);  // two words: 029, 129, 229, 290..299
  Type(document, QString());
  EXPECT_EQ(document->entryListModel()->rowCount(), 300);
  EXPECT_EQ(scroll->value(), before);

  // What was typed last is not in the library: reopened, the list is whole.
  Type(document, QStringLiteral("entry 1"));
  closeDocument(document);
  QFile file(path());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_FALSE(bytes.contains(QStringLiteral("entry 1").toUtf8()));
  EXPECT_FALSE(bytes.contains(QByteArray("e\0n\0t\0r\0y\0 \0" "1\0", 14)));
  document = reopen();
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(document->searchField()->text(), QString());
  EXPECT_EQ(document->entryListModel()->rowCount(), 300);
}

}  // namespace
}  // namespace apptest
