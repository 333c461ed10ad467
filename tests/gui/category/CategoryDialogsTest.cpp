// The three category dialogs, run modally offscreen and driven from inside
// their modal loop: what they show, what they refuse, what they write on OK
// and that cancel writes nothing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "CategoryFixtures.h"
#include "gui/shell/Alert.h"
#include "gui/category/CategoryAddDlg.h"
#include "gui/category/CategoryLabelEditDlg.h"
#include "gui/category/ChangeCategoryNameDlg.h"
#include "format/CategoryNameText.h"

using Names = std::vector<std::string>;

namespace {

// Collects the alerts the dialogs show instead of showing them.
class AlertLog {
 public:
  AlertLog() {
    SetAlertResponder([this](const AlertRequest& request) {
      texts.push_back(request.text.toStdString());
      return false;
    });
  }
  ~AlertLog() { SetAlertResponder({}); }
  Names texts;
};

// Runs the dialog's DoModal and, inside its modal loop, `drive`. A dialog that
// `drive` left open is cancelled, so that a failing test ends as well.
template <typename Dialog>
int RunDriven(Dialog& dialog, const std::function<void()>& drive) {
  QTimer::singleShot(0, &dialog, [&] {
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(&dialog, QApplication::activeModalWidget());
    // Keys go where a user's would only in the active window.
    dialog.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    drive();
    if (dialog.isVisible()) dialog.reject();
  });
  return dialog.DoModal();
}

template <typename T>
T* Child(QWidget& parent, const char* name) {
  T* child = parent.findChild<T*>(name);
  EXPECT_NE(nullptr, child) << name;
  return child;
}

void Click(QWidget& dialog, const char* button) { Child<QPushButton>(dialog, button)->click(); }

FLN_LABEL Label(const std::string& name) {
  FLN_LABEL label;
  memset(&label, 0, sizeof label);
  FIXTURE_SET_TEXT(label, name, name);
  return label;
}

std::string Text(const FlnUniChar* field) {
  return FLN_COMM_CreateNSString_FromUniChar_LtoN(field, 256).toStdString();
}

Names CatsNames(const FLN_CATS& cats) {
  return {Text(cats.cat1Name), Text(cats.cat2Name), Text(cats.cat3Name)};
}

Names ItemsOf(QComboBox* combo) {
  Names items;
  for (int i = 0; i < combo->count(); ++i) items.push_back(combo->itemText(i).toStdString());
  return items;
}

// ------------------------------------------------------------ CategoryAddDlg

TEST(CategoryAddDlg, RefusesUntilANewNameIsTyped) {
  fixtures::Ary table = fixtures::MakeCatsTable({{"その他", "その他", "その他"}, {"A", "B", "C"}});
  const FLN_LABEL label = Label("<b>分類３</b>");
  char out[kCategoryNameSize];
  memset(out, 'z', sizeof out);
  AlertLog alerts;
  CategoryAddDlg dialog(&label, table.get(), 3, out);
  const int result = RunDriven(dialog, [&] {
    QLabel* caption = Child<QLabel>(dialog, "txtCategoryLabel");
    EXPECT_EQ("<b>分類３</b>", caption->text().toStdString());
    EXPECT_EQ(Qt::PlainText, caption->textFormat());  // library text is never markup
    QLineEdit* edit = Child<QLineEdit>(dialog, "editCategoryName");
    const struct {
      const char* typed;
      const char* alert;
    } refused[] = {
        {"", "分類名を入力してください。"},
        {"＜すべて＞", "”＜すべて＞”は追加できません。"},
        {"C", "「C」は、すでに登録されています。"},
        {"その他", "「その他」は、すでに登録されています。"},
    };
    for (const auto& attempt : refused) {
      alerts.texts.clear();
      edit->setText(QString::fromUtf8(attempt.typed));
      Click(dialog, "okButton");
      EXPECT_EQ(Names{attempt.alert}, alerts.texts) << attempt.typed;
      EXPECT_TRUE(dialog.isVisible()) << attempt.typed;
      EXPECT_EQ('z', out[0]);  // nothing written while refused
    }
    // "B" is a level-2 name only: new on level 3. Return presses OK.
    alerts.texts.clear();
    edit->clear();
    QTest::keyClicks(edit, "B");
    QTest::keyClick(edit, Qt::Key_Return);
  });
  EXPECT_EQ(1, result);
  EXPECT_TRUE(alerts.texts.empty());
  EXPECT_STREQ("B", out);
}

TEST(CategoryAddDlg, CancelWritesNothing) {
  fixtures::Ary table = fixtures::MakeCatsTable({{"その他", "その他", "その他"}});
  char out[kCategoryNameSize];
  memset(out, 'z', sizeof out);
  AlertLog alerts;
  for (const char* how : {"cancelButton", "Escape"}) {
    SCOPED_TRACE(how);
    CategoryAddDlg dialog(nullptr, table.get(), 1, out);  // a level without label
    const int result = RunDriven(dialog, [&] {
      EXPECT_EQ("", Child<QLabel>(dialog, "txtCategoryLabel")->text().toStdString());
      QLineEdit* edit = Child<QLineEdit>(dialog, "editCategoryName");
      edit->setText("New");
      if (strcmp(how, "Escape") == 0)
        QTest::keyClick(edit, Qt::Key_Escape);
      else
        Click(dialog, how);
    });
    EXPECT_EQ(2, result);
    EXPECT_EQ('z', out[0]);
  }
  EXPECT_TRUE(alerts.texts.empty());
}

// ----------------------------------------------------- ChangeCategoryNameDlg

class ChangeCategoryNameDlgTest : public testing::Test {
 protected:
  void SetUp() override {
    flnData_.catsAry = table_.get();
    memset(&out_, 0x55, sizeof out_);
    outBefore_ = out_;
  }
  void TearDown() override { flnData_.catsAry = nullptr; }

  FLN_CATS Proposal(const fixtures::Triple& names) { return fixtures::MakeCats(0, names); }

  fixtures::Ary table_ = fixtures::MakeCatsTable(
      {{"A", "X", "C"}, {"B", "Yes", "その他"}, {"その他", "その他", "その他"}});
  FLN_DATA flnData_;
  FLN_LABEL labels_[3] = {Label("分類１"), Label("分類２"), Label("分類３")};
  FLN_CATS out_;
  FLN_CATS outBefore_;
  AlertLog alerts_;
};

TEST_F(ChangeCategoryNameDlgTest, OffersEveryNameAndMarksLevelsThatDisagree) {
  const FLN_CATS proposal = Proposal({"A", "", "C"});
  ChangeCategoryNameDlg dialog(&labels_[0], &labels_[1], &labels_[2], &flnData_, &proposal, &out_);
  const int result = RunDriven(dialog, [&] {
    EXPECT_EQ("分類２", Child<QLabel>(dialog, "txtCat2Label")->text().toStdString());
    QComboBox* combos[] = {Child<QComboBox>(dialog, "comboCat1"), Child<QComboBox>(dialog, "comboCat2"),
                           Child<QComboBox>(dialog, "comboCat3")};
    EXPECT_EQ((Names{"A", "B", "その他"}), ItemsOf(combos[0]));
    EXPECT_EQ((Names{"＜変更しない＞", "X", "Yes", "その他"}), ItemsOf(combos[1]));
    EXPECT_EQ((Names{"C", "その他"}), ItemsOf(combos[2]));
    EXPECT_EQ((Names{"A", "＜変更しない＞", "C"}),
              (Names{combos[0]->currentText().toStdString(), combos[1]->currentText().toStdString(),
                     combos[2]->currentText().toStdString()}));
    for (QComboBox* combo : combos) EXPECT_TRUE(combo->isEditable());
    Click(dialog, "okButton");
  });
  EXPECT_EQ(1, result);
  EXPECT_EQ((Names{"A", "＜変更しない＞", "C"}), CatsNames(out_));
}

TEST_F(ChangeCategoryNameDlgTest, TakesPickedAndTypedNames) {
  const FLN_CATS proposal = Proposal({"A", "X", "Lost"});  // "Lost" is in no triple
  ChangeCategoryNameDlg dialog(&labels_[0], &labels_[1], &labels_[2], &flnData_, &proposal, &out_);
  const int result = RunDriven(dialog, [&] {
    QComboBox* level1 = Child<QComboBox>(dialog, "comboCat1");
    QComboBox* level2 = Child<QComboBox>(dialog, "comboCat2");
    QComboBox* level3 = Child<QComboBox>(dialog, "comboCat3");
    EXPECT_EQ((Names{"X", "Yes", "その他"}), ItemsOf(level2));  // no marker where all agree
    EXPECT_EQ(-1, level3->currentIndex());
    EXPECT_EQ("Lost", level3->currentText().toStdString());
    level1->setCurrentIndex(1);  // picked: "B"
    level2->setFocus();  // a completer acts only in the focused field
    level2->lineEdit()->clear();
    QTest::keyClicks(level2->lineEdit(), "Y");  // typed, not completed to "Yes"
    level3->lineEdit()->clear();                // the empty name is accepted
    Click(dialog, "okButton");
  });
  EXPECT_EQ(1, result);
  EXPECT_TRUE(alerts_.texts.empty());
  EXPECT_EQ((Names{"B", "Y", ""}), CatsNames(out_));
}

TEST_F(ChangeCategoryNameDlgTest, CancelOrATooLongNameWritesNothing) {
  const FLN_CATS proposal = Proposal({"A", "X", "C"});
  ChangeCategoryNameDlg dialog(&labels_[0], &labels_[1], &labels_[2], &flnData_, &proposal, &out_);
  const int result = RunDriven(dialog, [&] {
    Child<QComboBox>(dialog, "comboCat2")->setEditText(QString(127, QChar(0x6F22)));  // one unit more than a name field holds
    Click(dialog, "okButton");
    EXPECT_EQ(Names{"分類名が長すぎます。"}, alerts_.texts);
    EXPECT_TRUE(dialog.isVisible());
    Click(dialog, "cancelButton");
  });
  EXPECT_EQ(2, result);
  EXPECT_EQ(0, memcmp(&outBefore_, &out_, sizeof out_));
}

// ------------------------------------------------------ CategoryLabelEditDlg

TEST(CategoryLabelEditDlg, WritesTheFieldsOnOkOnly) {
  FLN_LABEL labels[3] = {Label("分類１"), Label("分類２"), Label("分類３")};
  const FLN_LABEL before[3] = {labels[0], labels[1], labels[2]};
  {
    CategoryLabelEditDlg dialog(&labels[0], &labels[1], &labels[2]);
    const int result = RunDriven(dialog, [&] {
      QLineEdit* second = Child<QLineEdit>(dialog, "editCategory2");
      EXPECT_EQ("分類２", second->text().toStdString());
      second->setText("changed");
      Click(dialog, "cancelButton");
    });
    EXPECT_EQ(2, result);
    EXPECT_EQ(0, memcmp(before, labels, sizeof labels));
  }
  CategoryLabelEditDlg dialog(&labels[0], &labels[1], nullptr);  // level 3 has no label
  const int result = RunDriven(dialog, [&] {
    EXPECT_EQ("", Child<QLineEdit>(dialog, "editCategory3")->text().toStdString());
    Child<QLineEdit>(dialog, "editCategory1")->setText("著者");
    Child<QLineEdit>(dialog, "editCategory2")->clear();  // empty labels are accepted
    QLineEdit* third = Child<QLineEdit>(dialog, "editCategory3");
    third->setText("ignored");
    // A label longer than its field cannot be typed.
    QLineEdit* first = Child<QLineEdit>(dialog, "editCategory1");
    EXPECT_EQ(126, first->maxLength());
    Click(dialog, "okButton");
  });
  EXPECT_EQ(1, result);
  EXPECT_EQ("著者", Text(labels[0].name));
  EXPECT_EQ("", Text(labels[1].name));
  EXPECT_EQ(0, memcmp(&before[2], &labels[2], sizeof labels[2]));
}

}  // namespace
