// The entry list of the library window: header clicks with their three sort
// keys, the selection kept across rebuilds, and what the rows show.

#include <QHeaderView>
#include <QLabel>
#include <QTableView>

#include "WindowFixture.h"
#include "gui/library/EntryListModel.h"
#include "format/EntryFieldKind.h"

namespace apptest {
namespace {

using EntryListWindow = WindowFixture;

void ClickHeader(FolianDocument* document, const char* identifier) {
  QHeaderView* header = document->entryListBox()->horizontalHeader();
  const int column = EntryListModel::columnOf(identifier);
  ASSERT_GE(column, 0);
  document->entryListBox()->scrollTo(document->entryListModel()->index(0, column));
  const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, header->height() / 2));
}

struct Keys {
  int32_t kind[3];
  uint8_t ascend[3];
};

::testing::AssertionResult HasKeys(FolianDocument* document, const Keys& want) {
  const FLN_ENTRY_LIST_INFO& info = document->flnData()->entryListInfo;
  for (int i = 0; i < 3; ++i) {
    const bool ascending = info.sortFieldAscend[i] == 1;
    // The direction of an unused key does not matter.
    if (info.sortFieldKind[i] != want.kind[i] || (want.kind[i] != 0 && ascending != (want.ascend[i] == 1)))
      return ::testing::AssertionFailure()
             << "key " << i << ": kind " << info.sortFieldKind[i] << " ascending " << ascending << ", wanted kind "
             << want.kind[i] << " ascending " << int(want.ascend[i]);
  }
  return ::testing::AssertionSuccess();
}

LibraryContents People() {
  LibraryContents contents;
  const char* rows[][2] = {{"b", "Sato"}, {"a", "Tanaka"}, {"c", "Sato"}, {"d", "Abe"}};
  for (const auto& row : rows) {
    EntryContents entry = Entry(row[0], "その他", "その他", "その他");
    entry.author = row[1];
    contents.entries.push_back(entry);
  }
  contents.sort = {{kEntryFieldTitle, 0, 0}, {0, 1, 1}};  // title descending
  return contents;
}

TEST_F(EntryListWindow, HeaderClicksKeepEachKeysDirection) {
  FolianDocument* document = open(People());
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(EntryColumn(document, "title"), QStringList({"d", "c", "b", "a"}));

  // A new column becomes the primary key in the direction the table asks
  // (ascending); title follows with its own direction.
  ClickHeader(document, "author");
  EXPECT_TRUE(HasKeys(document, {{kEntryFieldAuthor, kEntryFieldTitle, 0}, {1, 0, 1}}));
  EXPECT_EQ(EntryColumn(document, "title"), QStringList({"d", "c", "b", "a"}));  // Abe, Sato (c, b), Tanaka

  // Title, the second key, comes back to the front with its remembered
  // descending direction, although the table asks ascending.
  ClickHeader(document, "title");
  EXPECT_TRUE(HasKeys(document, {{kEntryFieldTitle, kEntryFieldAuthor, 0}, {0, 1, 1}}));
  EXPECT_EQ(EntryColumn(document, "title"), QStringList({"d", "c", "b", "a"}));

  // The primary column clicked again takes the direction the table asks.
  ClickHeader(document, "title");
  EXPECT_TRUE(HasKeys(document, {{kEntryFieldTitle, kEntryFieldAuthor, 0}, {1, 1, 1}}));
  EXPECT_EQ(EntryColumn(document, "title"), QStringList({"a", "b", "c", "d"}));
  EXPECT_EQ(document->entryListBox()->horizontalHeader()->sortIndicatorSection(), EntryListModel::columnOf("title"));
  EXPECT_EQ(document->entryListBox()->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST_F(EntryListWindow, AFourthColumnDropsTheThirdKey) {
  FolianDocument* document = open(People());
  ASSERT_NE(document, nullptr);
  ClickHeader(document, "author");
  ClickHeader(document, "fileSize");
  EXPECT_TRUE(HasKeys(document, {{kEntryFieldFileSize, kEntryFieldAuthor, kEntryFieldTitle}, {1, 1, 0}}));
  ClickHeader(document, "myRate");
  EXPECT_TRUE(HasKeys(document, {{kEntryFieldMyRate, kEntryFieldFileSize, kEntryFieldAuthor}, {1, 1, 1}}));
  // The third key moves to the front with its own direction.
  ClickHeader(document, "author");
  EXPECT_TRUE(HasKeys(document, {{kEntryFieldAuthor, kEntryFieldMyRate, kEntryFieldFileSize}, {1, 1, 1}}));
}

TEST_F(EntryListWindow, SelectionFollowsTheEntriesAcrossRebuilds) {
  FolianDocument* document = open(People());
  ASSERT_NE(document, nullptr);
  QTableView* list = document->entryListBox();
  // Select "c" and "a" (rows 1 and 3 of d, c, b, a).
  ClickRow(list, 1);
  const QRect rowA = list->visualRect(document->entryListModel()->index(3, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, rowA.center());
  ASSERT_EQ(document->selectedEntryRows(), (std::vector<int>{1, 3}));

  ClickHeader(document, "title");  // now a, b, c, d
  EXPECT_EQ(EntryColumn(document, "title"), QStringList({"a", "b", "c", "d"}));
  EXPECT_EQ(document->selectedEntryRows(), (std::vector<int>{0, 2}));
  // The selection is kept in the entries, so it survives reopening too.
  closeDocument(document);
  document = reopen();
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(document->selectedEntryRows(), (std::vector<int>{0, 2}));
}

TEST_F(EntryListWindow, RowsShowPlainTextCountsStarsSizesDates) {
  LibraryContents contents;
  for (int i = 0; i < 12; ++i) {
    EntryContents entry = Entry(i == 0 ? "<b>太字?</b>" : "entry " + std::to_string(i + 10), "論文", "物理", "2024");
    entry.rate = static_cast<int16_t>(i % 7);
    entry.fileSize = i == 0 ? 1048576 : 20480;
    entry.updateDate = "20241105123456789";
    contents.entries.push_back(entry);
  }
  contents.sort = {{kEntryFieldTitle, 0, 0}, {1, 1, 1}};
  FolianDocument* document = open(contents);
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(document->entryCountLabel()->text(), QStringLiteral("12件"));
  EXPECT_EQ(document->entryCountLabel()->textFormat(), Qt::PlainText);

  const QStringList titles = EntryColumn(document, "title");
  const int first = titles.indexOf(QStringLiteral("<b>太字?</b>"));
  ASSERT_GE(first, 0) << "the title is shown exactly as stored";
  EXPECT_EQ(EntryColumn(document, "fileSize")[first], QStringLiteral("1.0 MB"));
  EXPECT_EQ(EntryColumn(document, "myRate")[first], QString());
  EXPECT_EQ(EntryColumn(document, "myRate")[titles.indexOf(QStringLiteral("entry 13"))], QStringLiteral("☆☆☆"));
  EXPECT_EQ(EntryColumn(document, "updateDate")[first], QStringLiteral("2024/11/05 12:34"));
  EXPECT_EQ(EntryColumn(document, "cat2")[first], QStringLiteral("物理"));
  // The category columns are headed by the library's level labels.
  QAbstractItemModel* model = document->entryListModel();
  EXPECT_EQ(model->headerData(EntryListModel::columnOf("cat1"), Qt::Horizontal).toString(), QStringLiteral("分類１"));
  EXPECT_EQ(model->headerData(EntryListModel::columnOf("cat3"), Qt::Horizontal).toString(), QStringLiteral("分類３"));
}

TEST_F(EntryListWindow, EmptyLibraryListsNothing) {
  FolianDocument* document = open(LibraryContents{});
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(document->entryListModel()->rowCount(), 0);
  EXPECT_EQ(document->entryCountLabel()->text(), QStringLiteral("0件"));
}

}  // namespace
}  // namespace apptest
