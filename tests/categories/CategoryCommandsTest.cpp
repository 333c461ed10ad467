#include "categories/CategoryCommands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "FrozenClock.h"
#include "OpenLibraryFixture.h"
#include "TestFiles.h"
#include "categories/CategoryNameInput.h"
#include "format/CategoryNameText.h"
#include "categories/CategoryRename.h"
#include "categories/EntryQuery.h"
#include "categories/EntrySelection.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnEnvironment.h"
#include "format/Endian.h"
#include "format/FieldText.h"

using fixtures::MakeEntry;
using fixtures::TriplesOf;
using Names = std::vector<std::string>;

namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }

std::string LabelName(const FLN_LABEL* label) {
  return FIELD_TEXT(*label, name);
}

std::string CatsName(const FLN_CATS& cats, int level) {
  char name[kCategoryNameSize];
  ReadCategoryNameOf(cats, level, name);
  return name;
}

// Answers the commands as a test tells it to, and logs every call in order.
class ScriptedUi : public CategoryCommandUi {
 public:
  explicit ScriptedUi(FLN_DATA* data) : data_(data) {}

  std::vector<std::string> log;
  bool confirmAnswer = false;
  int dialogResult = 1;
  std::string addName;                  // what the add dialog "types"
  Names chosenNames;                    // what the reassignment dialog returns
  Names editedLabels;                   // what the label dialog returns
  FLN_CATS proposal{};                  // what the reassignment dialog was given
  Names dialogLabels;                   // labels the last dialog was given

  void alert(const QString& message) override { log.push_back("alert " + Utf8(message)); }
  bool confirmDestructive(const QString& message) override {
    log.push_back("confirm " + Utf8(message));
    return confirmAnswer;
  }
  int runCategoryAddDlg(const FLN_LABEL* label, TESK_ARY catsAry, int32_t kind, char* out) override {
    log.push_back("add dialog " + std::to_string(kind));
    dialogLabels = {LabelName(label)};
    EXPECT_EQ(data_->catsAry, catsAry);
    if (dialogResult == 1) CopyCategoryName(out, addName.c_str());
    return dialogResult;
  }
  int runChangeCategoryNameDlg(const FLN_LABEL* l1, const FLN_LABEL* l2, const FLN_LABEL* l3,
                               const FLN_DATA* flnData, const FLN_CATS* select,
                               FLN_CATS* out) override {
    log.push_back("change dialog");
    dialogLabels = {LabelName(l1), LabelName(l2), LabelName(l3)};
    EXPECT_EQ(data_, flnData);
    proposal = *select;
    if (dialogResult == 1) {
      // As a dialog's fields would hold them, as full as a field can be.
      FlnUniChar* fields[] = {out->cat1Name, out->cat2Name, out->cat3Name};
      for (int i = 0; i < 3; ++i) {
        std::memset(fields[i], 0, sizeof out->cat1Name);
        EXPECT_TRUE(StoreWholeText(QString::fromStdString(chosenNames.at(i)), fields[i], sizeof out->cat1Name));
      }
    }
    return dialogResult;
  }
  int runCategoryLabelEditDlg(FLN_LABEL* l1, FLN_LABEL* l2, FLN_LABEL* l3) override {
    log.push_back("label dialog");
    dialogLabels = {LabelName(l1), LabelName(l2), LabelName(l3)};
    if (dialogResult == 1) {
      FLN_LABEL* labels[] = {l1, l2, l3};
      for (int i = 0; i < 3; ++i)
        SET_FIELD_TEXT(*labels[i], name, editedLabels.at(i));
    }
    return dialogResult;
  }
  bool askCategoryNewName(const FLN_LABEL* label, const char* oldName, std::string* newName) override {
    log.push_back(std::string("rename dialog ") + oldName);
    dialogLabels = {LabelName(label)};
    if (dialogResult == 1) *newName = addName;
    return dialogResult == 1;
  }
  void makeCategoryLists() override {
    log.push_back("makeCategoryLists");
    RebuildCategoryNameArrays(data_);
  }
  void makeEntryList() override { log.push_back("makeEntryList"); }
  void showCategoryLabels() override { log.push_back("showCategoryLabels"); }
  void reportSaveFailure() override { log.push_back("save failed"); }

 private:
  FLN_DATA* data_;
};

class CategoryCommandsTest : public fixtures::OpenLibraryTest {
 protected:
  void SetUp() override {
    OpenLibraryTest::SetUp();
    // Only the commands' own changes carry this time, not the new library.
    clock_.emplace(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123)));
  }

  // Whatever a refused or cancelled command does, the file must stay as it was.
  void ExpectFileUnchanged(const std::vector<uint8_t>& before) { EXPECT_EQ(before, readAll(path_)); }

  ScriptedUi ui_{data()};
  std::optional<testsupport::FrozenClock> clock_;
};

// ---------------------------------------------------------------- deleting

TEST_F(CategoryCommandsTest, DeleteRefusesSpecialNamesAndNamesInUse) {
  // "Used" is carried by an entry that the list does not show.
  FLN_ENTRY user = MakeEntry(1, {"その他", "Used", "その他"});
  Fill({{"その他", "その他", "その他"}, {"その他", "Used", "その他"}}, {});
  Tesk_Ary_Add(data()->entry, &user);
  ASSERT_TRUE(SaveAll(data()->filePath, data()).ok());
  struct Case {
    int level;
    std::string selected;
    std::string alert;
  } cases[] = {
      {1, "＜すべて＞", "alert ”＜すべて＞”と”その他”は削除できません。"},
      {3, "その他", "alert ”＜すべて＞”と”その他”は削除できません。"},
      {2, "Used", "alert 「Used」は使用中です。削除できません。"},
  };
  const auto before = readAll(path_);
  const auto triples = TriplesOf(data()->catsAry);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selected);
    ui_.log.clear();
    CategoryListNames selected = {"＜すべて＞", "＜すべて＞", "＜すべて＞"};
    selected[c.level - 1] = c.selected;
    EXPECT_EQ(CategoryCommandOutcome::Unchanged, DeleteCategory(data(), c.level, selected, ui_));
    EXPECT_EQ(std::vector<std::string>{c.alert}, ui_.log);
    EXPECT_EQ(triples, TriplesOf(data()->catsAry));
  }
  ExpectFileUnchanged(before);
}

TEST_F(CategoryCommandsTest, DeleteAnsweredNoChangesNothing) {
  Fill({{"その他", "その他", "その他"}, {"A", "B", "その他"}}, {});
  const auto before = readAll(path_);
  ui_.confirmAnswer = false;
  EXPECT_EQ(CategoryCommandOutcome::Unchanged,
            DeleteCategory(data(), 2, {"＜すべて＞", "B", "＜すべて＞"}, ui_));
  EXPECT_EQ(std::vector<std::string>{"confirm 「B」を削除してもよろしいですか？"}, ui_.log);
  EXPECT_EQ(2, Tesk_Ary_GetSize(data()->catsAry));
  ExpectFileUnchanged(before);
}

TEST_F(CategoryCommandsTest, DeleteRemovesEveryTripleWithTheNameOnItsLevel) {
  Fill({{"A", "X", "P"}, {"B", "X", "Q"}, {"X", "Y", "X"}, {"A", "X", "P"}, {"C", "Z", "Q"}}, {});
  SetCategoryChoice(data(), 2, "X");
  ui_.confirmAnswer = true;
  EXPECT_EQ(CategoryCommandOutcome::Saved, DeleteCategory(data(), 2, {"＜すべて＞", "X", "＜すべて＞"}, ui_));
  EXPECT_EQ((std::vector<std::string>{"confirm 「X」を削除してもよろしいですか？", "makeCategoryLists",
                                      "makeCategoryLists"}),
            ui_.log);
  // Only level 2 counts: (X, Y, X) stays, and so does the order of the rest.
  const std::vector<Names> left = {{"X", "Y", "X"}, {"C", "Z", "Q"}};
  EXPECT_EQ(left, TriplesOf(data()->catsAry));
  EXPECT_STREQ("＜すべて＞", data()->lastSelectCat2);
  EXPECT_EQ((Names{"Y", "Z"}), fixtures::NamesOf(data()->cat2Ary));
  EXPECT_EQ(0, GetCategoryListRow_ByChoice(data(), 2));
  fixtures::Library saved;
  Reload(&saved);
  EXPECT_EQ(left, TriplesOf(saved.data.catsAry));
}

// Two names alike in their first 127 bytes of UTF-8 are still two names: two
// rows, each narrowing to its own entries, and deleting one keeps the other.
TEST_F(CategoryCommandsTest, LongNamesThatDifferLateStayApart) {
  const std::string common = fixtures::Repeat("漢", 42) + "x";  // 127 bytes
  const std::string first = common + "1", second = common + "2";
  ASSERT_TRUE(CategoryNameFits(first.c_str()));
  FLN_ENTRY user = MakeEntry(7, {"その他", second, "その他"});
  Fill({{"その他", "その他", "その他"}, {"その他", first, "P"}, {"その他", second, "Q"}}, {user});
  EXPECT_EQ((Names{first, second, "その他"}), fixtures::NamesOf(data()->cat2Ary));

  SetCategoryChoice(data(), 2, first.c_str());
  ASSERT_EQ(0, RebuildCategoryNameArrays(data()));
  EXPECT_EQ((Names{"P"}), fixtures::NamesOf(data()->cat3Ary));
  EXPECT_EQ(1, GetCategoryListRow_ByChoice(data(), 2));
  ASSERT_EQ(0, QueryEntryRows(kCategoryAll, first.c_str(), kCategoryAll, data()->entry, data()->shownRows));
  EXPECT_TRUE(data()->shownRows.empty()) << "the entry filed under the other name";

  // The entry under the second name does not keep the first from going.
  ui_.confirmAnswer = true;
  EXPECT_EQ(CategoryCommandOutcome::Saved, DeleteCategory(data(), 2, {kCategoryAll, first, kCategoryAll}, ui_));
  const std::vector<Names> left = {{"その他", "その他", "その他"}, {"その他", second, "Q"}};
  EXPECT_EQ(left, TriplesOf(data()->catsAry));
  EXPECT_EQ((Names{second, "その他"}), fixtures::NamesOf(data()->cat2Ary));
  fixtures::Library saved;
  Reload(&saved);
  EXPECT_EQ(left, TriplesOf(saved.data.catsAry));

  // The one in use cannot go.
  ui_.log.clear();
  EXPECT_EQ(CategoryCommandOutcome::Unchanged, DeleteCategory(data(), 2, {kCategoryAll, second, kCategoryAll}, ui_));
  EXPECT_EQ(std::vector<std::string>{"alert 「" + second + "」は使用中です。削除できません。"}, ui_.log);
}

// ------------------------------------------------------------------ adding

TEST_F(CategoryCommandsTest, AddJoinsTheOtherLevelsSelectedNames) {
  struct Case {
    int level;
    CategoryListNames selected;
    Names triple;
    std::string label;
  } cases[] = {
      // "＜すべて＞" on another level stands as "その他".
      {2, {"＜すべて＞", "B", "Q"}, {"その他", "New", "Q"}, "分類２"},
      {1, {"その他", "＜すべて＞", "＜すべて＞"}, {"New", "その他", "その他"}, "分類１"},
      {3, {"A", "B", "Q"}, {"A", "B", "New"}, "分類３"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    Fill({{"その他", "その他", "その他"}, {"A", "B", "Q"}}, {});
    SetCategoryChoice(data(), c.level, "B");  // stays: the new name is not selected
    ui_.log.clear();
    ui_.addName = "New";
    EXPECT_EQ(CategoryCommandOutcome::Saved, AddCategory(data(), c.level, c.selected, ui_));
    EXPECT_EQ((std::vector<std::string>{"add dialog " + std::to_string(c.level), "makeCategoryLists"}),
              ui_.log);
    EXPECT_EQ(Names{c.label}, ui_.dialogLabels);
    ASSERT_EQ(3, Tesk_Ary_GetSize(data()->catsAry));
    FLN_CATS added;
    Tesk_Ary_GetData(data()->catsAry, 2, &added);
    EXPECT_EQ(c.triple, (Names{CatsName(added, 1), CatsName(added, 2), CatsName(added, 3)}));
    EXPECT_STREQ("20240506070809123", added.createDate);
    EXPECT_STREQ("B", CategoryChoiceOf(data(), c.level));
    fixtures::Library saved;
    Reload(&saved);
    EXPECT_EQ(TriplesOf(data()->catsAry), TriplesOf(saved.data.catsAry));
  }
}

TEST_F(CategoryCommandsTest, AddShowsTheNewNameUnderTheCurrentChoices) {
  Fill({{"その他", "その他", "その他"}, {"A", "X", "Q"}}, {});
  SetCategoryChoice(data(), 1, "A");
  RebuildCategoryNameArrays(data());
  ui_.addName = "New";
  AddCategory(data(), 2, {"A", "＜すべて＞", "＜すべて＞"}, ui_);
  EXPECT_EQ((Names{"New", "X"}), fixtures::NamesOf(data()->cat2Ary));
}

TEST_F(CategoryCommandsTest, AddCancelledChangesNothing) {
  Fill({{"その他", "その他", "その他"}}, {});
  const auto before = readAll(path_);
  ui_.dialogResult = 2;
  ui_.addName = "New";
  EXPECT_EQ(CategoryCommandOutcome::Unchanged,
            AddCategory(data(), 1, {"＜すべて＞", "＜すべて＞", "＜すべて＞"}, ui_));
  EXPECT_EQ(std::vector<std::string>{"add dialog 1"}, ui_.log);
  EXPECT_EQ(1, Tesk_Ary_GetSize(data()->catsAry));
  ExpectFileUnchanged(before);
}

TEST_F(CategoryCommandsTest, AddOnALevelWithoutLabelShowsAnEmptyCaption) {
  Tesk_Ary_Remove(data()->label, GetFlnLabelIndex_ByItemNumber(data()->label, 3));
  ui_.addName = "New";
  EXPECT_EQ(CategoryCommandOutcome::Saved,
            AddCategory(data(), 3, {"＜すべて＞", "＜すべて＞", "＜すべて＞"}, ui_));
  EXPECT_EQ(Names{""}, ui_.dialogLabels);
}

TEST_F(CategoryCommandsTest, AFailedSaveIsReportedAfterTheListsAreRebuilt) {
  // The file is no longer a library: nothing can be written into it.
  writeAll(path_, {'n', 'o', 't', ' ', 'a', ' ', 'l', 'i', 'b', 'r', 'a', 'r', 'y'});
  ui_.addName = "New";
  EXPECT_EQ(CategoryCommandOutcome::NotSaved,
            AddCategory(data(), 1, {"＜すべて＞", "＜すべて＞", "＜すべて＞"}, ui_));
  EXPECT_EQ((std::vector<std::string>{"add dialog 1", "makeCategoryLists", "save failed"}), ui_.log);
  // The change holds in memory, so the window shows what the user did.
  EXPECT_EQ(1, IsContainsCategory(data()->cat1Ary, "New"));
}

// ------------------------------------------------------------- reassigning

class ChangeCategoryNameTest : public CategoryCommandsTest {
 protected:
  void SetUp() override {
    CategoryCommandsTest::SetUp();
    FLN_ENTRY first = MakeEntry(1, {"A", "Same", "P"});
    FLN_ENTRY second = MakeEntry(2, {"B", "Same", "P"});
    FLN_ENTRY other = MakeEntry(3, {"A", "Same", "P"});
    for (FLN_ENTRY* entry : {&first, &second, &other}) {
      SET_FIELD_TEXT(*entry, en_title, "title " + std::to_string(ZEL_EndianLong_LtoN(entry->en_id)));
      strcpy(entry->en_update_date, "20000101000000000");
    }
    Fill({{"A", "Same", "P"}, {"B", "Same", "P"}, {"A", "New", "P"}}, {first, second, other});
  }

  Names EntryNames(int32_t index) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(data()->entry, index, &entry);
    Names names;
    for (int level = 1; level <= 3; ++level) {
      char name[kCategoryNameSize];
      ReadCategoryNameOf(entry, level, name);
      names.push_back(name);
    }
    return names;
  }
};

TEST_F(ChangeCategoryNameTest, KeepsTheLevelsLeftUnchanged) {
  ui_.chosenNames = {"＜変更しない＞", "New", "P"};
  EXPECT_EQ(CategoryCommandOutcome::Saved, ChangeCategoryName(data(), {0, 1}, ui_));
  EXPECT_EQ((std::vector<std::string>{"change dialog", "makeEntryList", "makeCategoryLists"}), ui_.log);
  EXPECT_EQ((Names{"分類１", "分類２", "分類３"}), ui_.dialogLabels);
  // The entries disagree on level 1: the proposal leaves it empty.
  EXPECT_EQ((Names{"", "Same", "P"}), (Names{CatsName(ui_.proposal, 1), CatsName(ui_.proposal, 2),
                                             CatsName(ui_.proposal, 3)}));
  EXPECT_EQ((Names{"A", "New", "P"}), EntryNames(0));
  EXPECT_EQ((Names{"B", "New", "P"}), EntryNames(1));
  EXPECT_EQ((Names{"A", "Same", "P"}), EntryNames(2));  // not selected
  // (A, New, P) existed already; (B, New, P) is the one new combination.
  EXPECT_EQ((std::vector<Names>{{"A", "Same", "P"}, {"B", "Same", "P"}, {"A", "New", "P"}, {"B", "New", "P"}}),
            TriplesOf(data()->catsAry));
  FLN_ENTRY changed, untouched;
  Tesk_Ary_GetData(data()->entry, 1, &changed);
  Tesk_Ary_GetData(data()->entry, 2, &untouched);
  EXPECT_STREQ("20240506070809123", changed.en_update_date);
  EXPECT_STREQ("20000101000000000", untouched.en_update_date);

  fixtures::Library saved;
  Reload(&saved);
  EXPECT_EQ(TriplesOf(data()->catsAry), TriplesOf(saved.data.catsAry));
  FLN_ENTRY savedEntry;
  Tesk_Ary_GetData(saved.data.entry, 1, &savedEntry);
  EXPECT_EQ(0, memcmp(&changed, &savedEntry, sizeof changed));
}

TEST_F(ChangeCategoryNameTest, AddsOneTriplePerNewCombination) {
  ui_.chosenNames = {"Z", "＜変更しない＞", "＜変更しない＞"};
  ChangeCategoryName(data(), {0, 1, 2}, ui_);
  EXPECT_EQ((Names{"Z", "Same", "P"}), EntryNames(0));
  EXPECT_EQ((Names{"Z", "Same", "P"}), EntryNames(2));
  EXPECT_EQ((std::vector<Names>{{"A", "Same", "P"}, {"B", "Same", "P"}, {"A", "New", "P"}, {"Z", "Same", "P"}}),
            TriplesOf(data()->catsAry));
}

TEST_F(ChangeCategoryNameTest, TypedNamesAreTakenAsTheyAre) {
  // The empty name becomes a name too.
  ui_.chosenNames = {"", "その他", "すべて"};
  ChangeCategoryName(data(), {1}, ui_);
  EXPECT_EQ((Names{"", "その他", "すべて"}), EntryNames(1));
  EXPECT_EQ(1, IsCatsExists(data()->catsAry, "", "その他", "すべて"));
}

TEST_F(ChangeCategoryNameTest, TheNameForEveryCategoryChangesNoEntry) {
  const auto before = readAll(path_);
  const std::vector<Names> choices = {
      {"＜すべて＞", "New", "P"}, {"Z", "＜すべて＞", "＜変更しない＞"}, {"＜変更しない＞", "＜変更しない＞", "＜すべて＞"}};
  for (const Names& chosen : choices) {
    SCOPED_TRACE(chosen[0] + " " + chosen[1] + " " + chosen[2]);
    ui_.log.clear();
    ui_.chosenNames = chosen;
    EXPECT_EQ(CategoryCommandOutcome::Unchanged, ChangeCategoryName(data(), {0, 1}, ui_));
    EXPECT_EQ((std::vector<std::string>{"change dialog",
                                        "alert ”＜すべて＞”はすべての分類を表すため、分類名にできません。"}),
              ui_.log);
    EXPECT_EQ((Names{"A", "Same", "P"}), EntryNames(0));
    EXPECT_EQ((Names{"B", "Same", "P"}), EntryNames(1));
    EXPECT_EQ(3, Tesk_Ary_GetSize(data()->catsAry));
    ExpectFileUnchanged(before);
  }
}

TEST_F(ChangeCategoryNameTest, ANameThatDoesNotFitChangesNoEntry) {
  const auto before = readAll(path_);
  std::string longName;
  for (int i = 0; i < 127; ++i) longName += "漢";  // 127 units: more than a name may have
  ui_.chosenNames = {"Z", longName, "＜変更しない＞"};
  EXPECT_EQ(CategoryCommandOutcome::Unchanged, ChangeCategoryName(data(), {0, 1}, ui_));
  EXPECT_EQ((std::vector<std::string>{"change dialog", "alert 分類名が長すぎます。"}), ui_.log);
  EXPECT_EQ((Names{"A", "Same", "P"}), EntryNames(0));
  EXPECT_EQ(3, Tesk_Ary_GetSize(data()->catsAry));
  ExpectFileUnchanged(before);
}

TEST_F(ChangeCategoryNameTest, OneEntryIsProposedWithItsOwnNames) {
  ui_.dialogResult = 2;
  ChangeCategoryName(data(), {1}, ui_);
  FLN_ENTRY entry;
  Tesk_Ary_GetData(data()->entry, 1, &entry);
  EXPECT_EQ(0, memcmp(entry.en_c1_name, ui_.proposal.cat1Name, sizeof entry.en_c1_name));
  EXPECT_EQ(0, memcmp(entry.en_c2_name, ui_.proposal.cat2Name, sizeof entry.en_c2_name));
  EXPECT_EQ(0, memcmp(entry.en_c3_name, ui_.proposal.cat3Name, sizeof entry.en_c3_name));
}

TEST_F(ChangeCategoryNameTest, NothingSelectedOrCancelledChangesNothing) {
  const auto before = readAll(path_);
  EXPECT_EQ(CategoryCommandOutcome::Unchanged, ChangeCategoryName(data(), {}, ui_));
  EXPECT_TRUE(ui_.log.empty());  // no dialog without a selected entry
  ui_.dialogResult = 2;
  ui_.chosenNames = {"Z", "Z", "Z"};
  EXPECT_EQ(CategoryCommandOutcome::Unchanged, ChangeCategoryName(data(), {0, 1}, ui_));
  EXPECT_EQ(std::vector<std::string>{"change dialog"}, ui_.log);
  EXPECT_EQ((Names{"A", "Same", "P"}), EntryNames(0));
  EXPECT_EQ(3, Tesk_Ary_GetSize(data()->catsAry));
  ExpectFileUnchanged(before);
}

TEST_F(ChangeCategoryNameTest, ChangesOnlyTheNamesOfTheStoredEntry) {
  // The stored entry changed after the list was built (a new title, now
  // selected): the list's copy is out of date and must not be written back.
  FLN_ENTRY stored;
  Tesk_Ary_GetData(data()->entry, 0, &stored);
  SET_FIELD_TEXT(stored, en_title, "edited");
  stored.en_is_select_entrylist = 1;
  Tesk_Ary_Update(data()->entry, 0, &stored);
  ui_.chosenNames = {"Z", "＜変更しない＞", "＜変更しない＞"};
  ChangeCategoryName(data(), {0}, ui_);
  FLN_ENTRY changed;
  Tesk_Ary_GetData(data()->entry, 0, &changed);
  EXPECT_EQ("edited", FIELD_TEXT(changed, en_title));
  EXPECT_EQ(1, changed.en_is_select_entrylist);
  EXPECT_EQ((Names{"Z", "Same", "P"}), EntryNames(0));
}

// ------------------------------------------------------------------ labels

TEST_F(CategoryCommandsTest, EditLabelWritesTheLabelsOnOk) {
  ui_.editedLabels = {"著者別", "", "年"};
  EXPECT_EQ(CategoryCommandOutcome::Saved, EditCategoryLabel(data(), ui_));
  EXPECT_EQ((std::vector<std::string>{"label dialog", "showCategoryLabels"}), ui_.log);
  EXPECT_EQ((Names{"分類１", "分類２", "分類３"}), ui_.dialogLabels);
  fixtures::Library saved;
  Reload(&saved);
  for (int level = 1; level <= 3; ++level) {
    FLN_LABEL label;
    Tesk_Ary_GetData(saved.data.label, GetFlnLabelIndex_ByItemNumber(saved.data.label, level), &label);
    EXPECT_EQ(ui_.editedLabels[level - 1], LabelName(&label));
  }
}

TEST_F(CategoryCommandsTest, EditLabelCancelledOrWithoutRecordWritesNothingForIt) {
  const auto before = readAll(path_);
  ui_.dialogResult = 2;
  ui_.editedLabels = {"x", "y", "z"};
  EXPECT_EQ(CategoryCommandOutcome::Unchanged, EditCategoryLabel(data(), ui_));
  ExpectFileUnchanged(before);

  // A level without a label record gets none.
  Tesk_Ary_Remove(data()->label, GetFlnLabelIndex_ByItemNumber(data()->label, 2));
  ui_.dialogResult = 1;
  EditCategoryLabel(data(), ui_);
  EXPECT_EQ((Names{"分類１", "", "分類３"}), ui_.dialogLabels);
  EXPECT_EQ(2, Tesk_Ary_GetSize(data()->label));
  EXPECT_EQ(-1, GetFlnLabelIndex_ByItemNumber(data()->label, 2));
  FLN_LABEL third;
  Tesk_Ary_GetData(data()->label, GetFlnLabelIndex_ByItemNumber(data()->label, 3), &third);
  EXPECT_EQ("z", LabelName(&third));
}

}  // namespace

// ---------------------------------------------------------------- renaming

class RenameCategoryTest : public CategoryCommandsTest {
 protected:
  void SetUp() override {
    CategoryCommandsTest::SetUp();
    // "X" is on level 2 of two triples and of entries 1 and 3; on level 1 of
    // entry 2 and of a triple, which a rename of level 2 must leave alone.
    FLN_ENTRY first = MakeEntry(1, {"A", "X", "P"});
    FLN_ENTRY second = MakeEntry(2, {"X", "Y", "P"});
    FLN_ENTRY third = MakeEntry(3, {"B", "X", "Q"});
    for (FLN_ENTRY* entry : {&first, &second, &third}) strcpy(entry->en_update_date, "20000101000000000");
    Fill({{"その他", "その他", "その他"}, {"A", "X", "P"}, {"X", "Y", "P"}, {"B", "X", "Q"}},
         {first, second, third});
  }

  std::vector<Names> EntryNames(TESK_ARY entries) {
    std::vector<Names> names;
    for (const FLN_ENTRY& entry : fixtures::RecordsOf<FLN_ENTRY>(entries)) {
      Names row;
      for (int level = 1; level <= 3; ++level) {
        char name[kCategoryNameSize];
        ReadCategoryNameOf(entry, level, name);
        row.push_back(name);
      }
      names.push_back(row);
    }
    return names;
  }

  std::vector<std::string> UpdateDates(TESK_ARY entries) {
    std::vector<std::string> dates;
    for (const FLN_ENTRY& entry : fixtures::RecordsOf<FLN_ENTRY>(entries)) dates.push_back(entry.en_update_date);
    return dates;
  }
};

TEST_F(RenameCategoryTest, RenamesTheLevelInTheTableAndEveryEntryAndKeepsTheChoice) {
  ASSERT_EQ(0, SaveEnvironment(data(), kEnvCat2ListSelection, "X"));
  SetCategoryChoice(data(), 2, "X");
  ui_.addName = "分類X";
  EXPECT_EQ(CategoryCommandOutcome::Saved, RenameCategory(data(), 2, {"＜すべて＞", "X", "＜すべて＞"}, ui_));
  EXPECT_EQ((std::vector<std::string>{"rename dialog X", "makeCategoryLists", "makeEntryList"}), ui_.log);
  EXPECT_EQ(Names{"分類２"}, ui_.dialogLabels);

  const std::vector<Names> triples = {
      {"その他", "その他", "その他"}, {"A", "分類X", "P"}, {"X", "Y", "P"}, {"B", "分類X", "Q"}};
  const std::vector<Names> entries = {{"A", "分類X", "P"}, {"X", "Y", "P"}, {"B", "分類X", "Q"}};
  const std::vector<std::string> dates = {"20240506070809123", "20000101000000000", "20240506070809123"};
  EXPECT_EQ(triples, TriplesOf(data()->catsAry));
  EXPECT_EQ(entries, EntryNames(data()->entry));
  EXPECT_EQ(dates, UpdateDates(data()->entry));
  // The list reads the entries themselves: its rows show the new name too.
  fixtures::Ary shown = fixtures::MakeEntryAry({});
  ASSERT_EQ(0, GetSelectedEntryAry({0, 1, 2}, data(), shown.get()));
  EXPECT_EQ(entries, EntryNames(shown.get()));
  EXPECT_EQ(dates, UpdateDates(shown.get()));
  EXPECT_STREQ("分類X", CategoryChoiceOf(data(), 2));
  EXPECT_EQ((Names{"Y", "分類X", "その他"}), fixtures::NamesOf(data()->cat2Ary));

  // What the file holds, as the next opening sees it.
  fixtures::Library saved;
  Reload(&saved);
  EXPECT_EQ(triples, TriplesOf(saved.data.catsAry));
  EXPECT_EQ(entries, EntryNames(saved.data.entry));
  EXPECT_EQ(dates, UpdateDates(saved.data.entry));
  char remembered[kEnvValueBufferSize] = {};
  ASSERT_EQ(1, GetEnvironmentValue(saved.data.envAry, kEnvCat2ListSelection, remembered));
  EXPECT_STREQ("分類X", remembered);
}

TEST_F(RenameCategoryTest, AChoiceOfAnotherNameStaysAsItIs) {
  SetCategoryChoice(data(), 2, "Y");
  ui_.addName = "Z";
  EXPECT_EQ(CategoryCommandOutcome::Saved, RenameCategory(data(), 2, {"＜すべて＞", "X", "＜すべて＞"}, ui_));
  EXPECT_STREQ("Y", CategoryChoiceOf(data(), 2));
  EXPECT_STREQ("＜すべて＞", CategoryChoiceOf(data(), 1));
}

TEST_F(RenameCategoryTest, RefusalsChangeNothing) {
  struct Case {
    int level;
    std::string selected;
    std::string typed;  // empty: no dialog is expected
    std::vector<std::string> log;
  } cases[] = {
      {2, "＜すべて＞", "", {"alert ”＜すべて＞”と”その他”の名前は変更できません。"}},
      {1, "その他", "", {"alert ”＜すべて＞”と”その他”の名前は変更できません。"}},
      // "Y" is a level-2 name only: level 3 does not keep it.
      {3, "Y", "", {"alert 「Y」という分類はありません。"}},
      {2, "X", "Y", {"rename dialog X", "alert 「Y」は、すでに登録されています。"}},
      {2, "X", "X", {"rename dialog X", "alert 「X」は、すでに登録されています。"}},
      {1, "A", "その他", {"rename dialog A", "alert ”その他”には変更できません。"}},
      {1, "A", "＜すべて＞", {"rename dialog A", "alert ”＜すべて＞”には変更できません。"}},
      {1, "A", "＜変更しない＞", {"rename dialog A", "alert ”＜変更しない＞”には変更できません。"}},
      {1, "A", fixtures::Repeat("x", 128), {"rename dialog A", "alert 分類名が長すぎます。"}},
  };
  const auto before = readAll(path_);
  const auto triples = TriplesOf(data()->catsAry);
  const auto entries = EntryNames(data()->entry);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selected + " -> " + c.typed);
    ui_.log.clear();
    ui_.addName = c.typed;
    CategoryListNames selected = {"＜すべて＞", "＜すべて＞", "＜すべて＞"};
    selected[c.level - 1] = c.selected;
    EXPECT_EQ(CategoryCommandOutcome::Unchanged, RenameCategory(data(), c.level, selected, ui_));
    EXPECT_EQ(c.log, ui_.log);
    EXPECT_EQ(triples, TriplesOf(data()->catsAry));
    EXPECT_EQ(entries, EntryNames(data()->entry));
  }
  ui_.log.clear();
  ui_.dialogResult = 2;
  ui_.addName = "New";
  EXPECT_EQ(CategoryCommandOutcome::Unchanged, RenameCategory(data(), 2, {"＜すべて＞", "X", "＜すべて＞"}, ui_));
  EXPECT_EQ(std::vector<std::string>{"rename dialog X"}, ui_.log);
  ExpectFileUnchanged(before);
}

TEST_F(RenameCategoryTest, ANameOnlyEntriesCarryIsRenamedAndBlocksAsANewName) {
  // Entry 4 carries "Lost" on level 3, which no triple has.
  FLN_ENTRY lost = MakeEntry(4, {"A", "X", "Lost"});
  Tesk_Ary_Add(data()->entry, &lost);
  EXPECT_EQ(CategoryRenameRefusal::NameExists, CheckCategoryRename(data(), 3, "P", "Lost"));
  ASSERT_EQ(CategoryRenameRefusal::None, CheckCategoryRename(data(), 3, "Lost", "Found"));
  const CategoryRenameCount count = RenameCategoryInLibrary(data(), 3, "Lost", "Found");
  EXPECT_EQ(0, count.triples);
  EXPECT_EQ(1, count.entries);
  EXPECT_EQ((Names{"A", "X", "Found"}), EntryNames(data()->entry).back());
}

TEST_F(RenameCategoryTest, CountsWhatItRenamed) {
  struct Case {
    int level;
    const char* oldName;
    int triples, entries;
  } cases[] = {{2, "X", 2, 2}, {1, "X", 1, 1}, {3, "Q", 1, 1}, {1, "A", 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.level) + c.oldName);
    const std::string renamed = std::string(c.oldName) + "-renamed";
    ASSERT_EQ(CategoryRenameRefusal::None, CheckCategoryRename(data(), c.level, c.oldName, renamed.c_str()));
    const CategoryRenameCount count = RenameCategoryInLibrary(data(), c.level, c.oldName, renamed.c_str());
    EXPECT_EQ(c.triples, count.triples);
    EXPECT_EQ(c.entries, count.entries);
    EXPECT_TRUE(count.selectionStored);
    EXPECT_EQ(CategoryRenameRefusal::UnknownName, CheckCategoryRenameSource(data(), c.level, c.oldName));
  }
  EXPECT_EQ(CategoryRenameRefusal::BadLevel, CheckCategoryRenameSource(data(), 4, "X"));
}
