// The three category lists of the library window narrowing one another
// through real selection changes, and the entry list following them.

#include <QFileDialog>
#include <QLabel>
#include <QTableView>
#include <QFile>

#include "WindowFixture.h"
#include "gui/library/TransferCommands.h"
#include "gui/library/CategoryLevelPane.h"
#include "categories/CategoryLists.h"

namespace apptest {
namespace {

using CategoryListsWindow = WindowFixture;

QStringList List(std::initializer_list<const char*> items) {
  QStringList list;
  for (const char* item : items) list << QString::fromUtf8(item);
  return list;
}

int RowOf(FolianDocument* document, int level, const char* name) {
  return CategoryRows(document, level).indexOf(QString::fromUtf8(name));
}

void Choose(FolianDocument* document, int level, const char* name) {
  const int row = RowOf(document, level, name);
  ASSERT_GE(row, 0) << name << " is not listed on level " << level;
  ClickRow(document->folianCategory(level)->tableView(), row);
}

TEST_F(CategoryListsWindow, WorkedExampleThroughClicks) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  // Nothing chosen: every name of each level ("その他" from the new library's triple).
  EXPECT_EQ(CategoryRows(document, 1), List({"＜すべて＞", "A", "B", "その他"}));
  EXPECT_EQ(CategoryRows(document, 2), List({"＜すべて＞", "X", "Y", "その他"}));
  EXPECT_EQ(CategoryRows(document, 3), List({"＜すべて＞", "P", "Q", "その他"}));
  for (int level = 1; level <= 3; ++level) EXPECT_EQ(document->folianCategory(level)->selectedRow(), 0);
  EXPECT_EQ(document->entryCountLabel()->text(), QStringLiteral("3件"));

  Choose(document, 1, "A");
  Choose(document, 3, "Q");
  // Choices (A, ＜すべて＞, Q).
  EXPECT_EQ(CategoryRows(document, 1), List({"＜すべて＞", "A", "B"}));
  EXPECT_EQ(CategoryRows(document, 2), List({"＜すべて＞", "Y"}));
  EXPECT_EQ(CategoryRows(document, 3), List({"＜すべて＞", "P", "Q"}));
  EXPECT_EQ(document->folianCategory(1)->getSelectedCategoryName(), "A");
  EXPECT_EQ(document->folianCategory(2)->getSelectedCategoryName(), "＜すべて＞");
  EXPECT_EQ(document->folianCategory(3)->getSelectedCategoryName(), "Q");
  EXPECT_EQ(EntryColumn(document, "title"), List({"ayq"}));
  EXPECT_EQ(document->entryCountLabel()->text(), QStringLiteral("1件"));

  // Each change was remembered in the library and saved.
  EXPECT_EQ(EnvironmentValue(document, kEnvCat1ListSelection), QStringLiteral("A"));
  EXPECT_EQ(EnvironmentValue(document, kEnvCat2ListSelection), QStringLiteral("＜すべて＞"));
  EXPECT_EQ(EnvironmentValue(document, kEnvCat3ListSelection), QStringLiteral("Q"));
}

TEST_F(CategoryListsWindow, ChoiceOfLevelOneThatExcludesLevelTwoMovesLevelTwoToAll) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  Choose(document, 2, "Y");
  EXPECT_EQ(CategoryRows(document, 1), List({"＜すべて＞", "A"}));

  // An import leaves every name of the table listed, so B is offered again.
  const QString pdf = dir.filePath(QStringLiteral("extra.pdf"));
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("%PDF-1.4\n%%EOF\n");
  file.close();
  document->transfer()->importPdf();
  QFileDialog* panel = document->transfer()->currentPanel();
  ASSERT_NE(panel, nullptr);
  panel->selectFile(pdf);
  static_cast<QDialog*>(panel)->accept();
  EXPECT_EQ(CategoryRows(document, 1), List({"＜すべて＞", "A", "B", "その他"}));
  EXPECT_EQ(document->folianCategory(2)->getSelectedCategoryName(), "Y");

  Choose(document, 1, "B");
  // B has no triple with Y: level 2 falls back to "＜すべて＞" and records it.
  EXPECT_EQ(document->folianCategory(2)->selectedRow(), 0);
  EXPECT_STREQ(document->flnData()->lastSelectCat2, "＜すべて＞");
  EXPECT_EQ(EnvironmentValue(document, kEnvCat2ListSelection), QStringLiteral("＜すべて＞"));
  EXPECT_EQ(CategoryRows(document, 2), List({"＜すべて＞", "X"}));
  EXPECT_EQ(EntryColumn(document, "title"), List({"bxq"}));
}

TEST_F(CategoryListsWindow, AListAlwaysKeepsAChoice) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  Choose(document, 1, "B");
  QTableView* list = document->folianCategory(1)->tableView();
  const QRect selected = list->visualRect(list->model()->index(RowOf(document, 1, "B"), 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, selected.center());
  EXPECT_EQ(document->folianCategory(1)->getSelectedCategoryName(), "B");
  EXPECT_EQ(EntryColumn(document, "title"), List({"bxq"}));
}

}  // namespace
}  // namespace apptest
