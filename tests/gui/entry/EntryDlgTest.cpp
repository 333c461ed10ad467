// The entry information window driven offscreen on a real library file:
// filling, saving when it stops being the active window and when it closes
// (checked by reading the file again), moving, placement and the category
// combo boxes.

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "gui/entry/EntryDlg.h"
#include "gui/entry/EntryDlgOwner.h"
#include "gui/entry/EntryDlgPlacement.h"
#include "categories/CategoryLists.h"
#include "format/CategoryNameText.h"
#include "format/CategoryNames.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "storage/Clock.h"
#include "format/Endian.h"
#include "format/FieldText.h"

namespace {

// The library window as the dialog sees it: counts what it is asked and
// rebuilds what the real window would rebuild from the library.
class FakeOwner : public EntryDlgOwner {
 public:
  explicit FakeOwner(FLN_DATA* data) : _data(data) {}
  void makeEntryList() override {
    ++entryListBuilt;
    // As the window does: the listed entries are the library's entries.
    _data->shownRows.clear();
    for (int32_t i = 0; i < Tesk_Ary_GetSize(_data->entry); ++i) _data->shownRows.push_back(i);
  }
  void makeCategoryLists() override {
    ++categoryListsBuilt;
    RebuildCategoryNameArrays(_data);
  }
  void reportSaveFailure() override { ++saveFailures; }
  QWidget* frontWindow() const override { return front; }

  int entryListBuilt = 0;
  int categoryListsBuilt = 0;
  int saveFailures = 0;
  QWidget* front = nullptr;

 private:
  FLN_DATA* _data;
};

QString FieldText(const void* field, size_t size) { return FLN_COMM_CreateNSString_FromUniChar_LtoN(field, size); }

void SetField(void* field, size_t size, const char* text) {
  memset(field, 0, size);
  ASSERT_EQ(FLN_COMM_ConvertCharToUniChar_NtoL(text, field, size), 1) << text;
}

std::vector<std::string> NameArray(TESK_ARY names) {
  std::vector<std::string> result;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(names); ++i) {
    char name[kCategoryNameSize];
    Tesk_Ary_GetData(names, i, name);
    result.emplace_back(name);
  }
  return result;
}

// The library as stored in its file.
class StoredLibrary {
 public:
  explicit StoredLibrary(const QString& path) {
    ok = ReadFlnDataFromFlnFile(path.toUtf8().constData(), &data).ok();
  }
  ~StoredLibrary() { FreeFlnData(&data); }
  FLN_ENTRY entry(int32_t id) const {
    FLN_ENTRY found;
    memset(&found, 0, sizeof found);
    for (int32_t i = 0; i < Tesk_Ary_GetSize(data.entry); ++i) {
      FLN_ENTRY entry;
      Tesk_Ary_GetData(data.entry, i, &entry);
      if (ZEL_EndianLong_LtoN(entry.en_id) == id) found = entry;
    }
    return found;
  }
  std::vector<std::vector<std::string>> triples() const {
    std::vector<std::vector<std::string>> result;
    for (int32_t i = 0; i < Tesk_Ary_GetSize(data.catsAry); ++i) {
      FLN_CATS cats;
      Tesk_Ary_GetData(data.catsAry, i, &cats);
      std::vector<std::string> names;
      for (int level = 1; level <= 3; ++level) {
        char name[kCategoryNameSize];
        ReadCategoryNameOf(cats, level, name);
        names.emplace_back(name);
      }
      result.push_back(names);
    }
    return result;
  }
  bool ok = false;
  FLN_DATA data;
};

// Types `text` as an input method commits it (how Japanese text arrives).
void TypeText(QWidget* widget, const QString& text) {
  for (const QChar ch : text) {
    QInputMethodEvent event;
    event.setCommitString(QString(ch));
    QApplication::sendEvent(widget, &event);
  }
}

std::string Date(const char (&field)[18]) { return std::string(field, strnlen(field, sizeof field)); }

const QDateTime kOpenTime(QDate(2026, 12, 8), QTime(14, 22, 5, 123));
constexpr char kOpenTimeText[] = "20261208142205123";

class EntryDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    Clock::setSource([this] { return now; });
    apptest::LibraryContents contents;
    contents.triples = {{"A", "X", "P"}, {"A", "Y", "Q"}};
    apptest::EntryContents first = apptest::Entry("量子論入門", "A", "X", "P");
    first.author = "山田太郎";
    first.fileSize = 1536;
    first.rate = 3;
    contents.entries = {first, apptest::Entry("second", "A", "Y", "Q")};
    apptest::WriteLibrary(path(), contents);
    load();
    front.setWindowTitle(QStringLiteral("behind"));
    front.setGeometry(40, 30, 300, 200);
    front.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&front));
  }

  void TearDown() override {
    for (const QPointer<EntryDlg>& dlg : dialogs) delete dlg.data();
    FreeFlnData(&data);
    Clock::setSource(nullptr);
  }

  QString path() const { return dir.filePath(QStringLiteral("lib.fln")); }

  void load() {
    FreeFlnData(&data);
    ASSERT_TRUE(ReadFlnDataFromFlnFile(path().toUtf8().constData(), &data).ok());
    for (int level = 1; level <= 3; ++level) SetCategoryChoice(&data, level, kCategoryAll);
    owner.makeEntryList();
    owner.entryListBuilt = 0;
  }

  // Changes entry `index` in the library file (and in memory).
  void changeEntry(int index, const std::function<void(FLN_ENTRY&)>& change) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(data.entry, index, &entry);
    change(entry);
    Tesk_Ary_Update(data.entry, index, &entry);
    ASSERT_TRUE(SaveAll(data.filePath, &data).ok());
    load();
  }

  FLN_ENTRY memoryEntry(int index) const {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(data.entry, index, &entry);
    return entry;
  }

  // Opens the window of entry `index` as the library window does: create,
  // bind, show, and listen for its end.
  EntryDlg* open(int index) {
    auto* dlg = new EntryDlg;
    dialogs.push_back(dlg);
    dlg->setFlnEntry(&owner, &data, memoryEntry(index));
    dlg->show();
    QObject::connect(dlg, &EntryDlg::closed, [this, dlg] { closedDialogs.push_back(dlg); });
    EXPECT_TRUE(QTest::qWaitForWindowActive(dlg->window()));
    return dlg;
  }

  // Another window becomes the active one.
  void activateFront() {
    front.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&front));
  }

  template <typename T>
  static T* control(EntryDlg* dlg, const char* name) {
    T* widget = dlg->window()->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  static QString label(EntryDlg* dlg, const char* name) { return control<QLabel>(dlg, name)->text(); }
  static QStringList items(QComboBox* combo) {
    QStringList result;
    for (int i = 0; i < combo->count(); ++i) result << combo->itemText(i);
    return result;
  }

  QTemporaryDir dir;
  QDateTime now = kOpenTime;
  FLN_DATA data;
  FakeOwner owner{&data};
  QWidget front;
  std::vector<QPointer<EntryDlg>> dialogs;
  std::vector<const EntryDlg*> closedDialogs;  // the dialogs that said they closed, in order
};

TEST_F(EntryDlgTest, FillsEveryControl) {
  changeEntry(0, [](FLN_ENTRY& e) {
    SetField(e.en_note, sizeof e.en_note, "一行目\n<i>二行目</i>");
    SetField(e.en_editor_name, sizeof e.en_editor_name, "編者");
    SetField(e.en_supervisor_name, sizeof e.en_supervisor_name, "監修者");
    SetField(e.en_translator_name, sizeof e.en_translator_name, "翻訳者");
    SetField(e.en_publisher_name, sizeof e.en_publisher_name, "出版社&Co");
    SetField(e.en_file_name, sizeof e.en_file_name, "<b>quantum</b>.pdf");
    memcpy(e.en_file_create_date, "20260102030405006", 18);
    memcpy(e.en_create_date, "20261208142205123", 18);
    memcpy(e.en_update_date, "20270304050607008", 18);
    memcpy(e.en_last_view_date, "20251231235959999", 18);
    e.en_dlg_focus_tab = ZEL_EndianLong_NtoL(1);
  });
  owner.front = &front;
  EntryDlg* dlg = open(0);
  owner.front = nullptr;

  EXPECT_EQ(control<QPlainTextEdit>(dlg, "editTitle")->toPlainText(), QStringLiteral("量子論入門"));
  EXPECT_EQ(control<QPlainTextEdit>(dlg, "editNote")->toPlainText(), QStringLiteral("一行目\n<i>二行目</i>"));
  EXPECT_EQ(control<QLineEdit>(dlg, "editAuthor")->text(), QStringLiteral("山田太郎"));
  EXPECT_EQ(control<QLineEdit>(dlg, "editEditor")->text(), QStringLiteral("編者"));
  EXPECT_EQ(control<QLineEdit>(dlg, "editSupervisor")->text(), QStringLiteral("監修者"));
  EXPECT_EQ(control<QLineEdit>(dlg, "editTranslator")->text(), QStringLiteral("翻訳者"));
  EXPECT_EQ(control<QLineEdit>(dlg, "editPublisher")->text(), QStringLiteral("出版社&Co"));

  // Each level offers the distinct names of its level, その他 last, and
  // shows the entry's name.
  const struct {
    const char* combo;
    QStringList items;
    QString current;
  } levels[] = {
      {"comboCat1", {"A", "その他"}, "A"},
      {"comboCat2", {"X", "Y", "その他"}, "X"},
      {"comboCat3", {"P", "Q", "その他"}, "P"},
  };
  for (const auto& level : levels) {
    QComboBox* combo = control<QComboBox>(dlg, level.combo);
    EXPECT_EQ(items(combo), level.items) << level.combo;
    EXPECT_EQ(combo->currentText(), level.current) << level.combo;
    EXPECT_TRUE(combo->isEditable()) << level.combo;
  }
  EXPECT_EQ(control<QComboBox>(dlg, "popMyRate")->currentIndex(), 3);
  EXPECT_EQ(control<QComboBox>(dlg, "popMyRate")->currentText(), QStringLiteral("☆☆☆"));

  EXPECT_EQ(label(dlg, "textFileName"), QStringLiteral("<b>quantum</b>.pdf"));
  EXPECT_EQ(label(dlg, "textFileSize"), QStringLiteral("1.5 KB"));
  EXPECT_EQ(label(dlg, "textPdfTimeStamp"), QStringLiteral("2026/01/02 03:04:05"));
  EXPECT_EQ(label(dlg, "textCreateDate"), QStringLiteral("2026/12/08 14:22:05"));
  EXPECT_EQ(label(dlg, "textUpdateDate"), QStringLiteral("2027/03/04 05:06:07"));
  // The dates as the entry had them when the window was filled.
  EXPECT_EQ(label(dlg, "textLastViewDate"), QStringLiteral("2025/12/31 23:59:59"));
  EXPECT_EQ(label(dlg, "textLastUseDate"), QString());
  EXPECT_EQ(label(dlg, "textCat1Label"), QStringLiteral("分類１"));
  EXPECT_EQ(label(dlg, "textCat2Label"), QStringLiteral("分類２"));
  EXPECT_EQ(label(dlg, "textCat3Label"), QStringLiteral("分類３"));
  EXPECT_EQ(label(dlg, "textID"), QString::number(ZEL_EndianLong_LtoN(memoryEntry(0).en_id)));
  EXPECT_EQ(control<QTabWidget>(dlg, "tabView")->currentIndex(), 1);
  EXPECT_EQ(dlg->window()->windowTitle(), QStringLiteral("「量子論入門」の情報"));

  // Library texts are plain text everywhere.
  for (QLabel* shown : dlg->window()->findChildren<QLabel*>())
    EXPECT_EQ(shown->textFormat(), Qt::PlainText) << shown->objectName().toStdString();

  // Opening the window alone stamped the last-view and update dates.
  StoredLibrary stored(path());
  ASSERT_TRUE(stored.ok);
  const FLN_ENTRY entry = stored.entry(dlg->entryId());
  EXPECT_EQ(Date(entry.en_last_view_date), kOpenTimeText);
  EXPECT_EQ(Date(entry.en_update_date), kOpenTimeText);
}

TEST_F(EntryDlgTest, FileSizeFigures) {
  const struct {
    int32_t bytes;
    const char* shown;
  } cases[] = {{1048576, "1.0 MB"}, {1048575, "1024.0 KB"}, {1536, "1.5 KB"}};
  for (const auto& c : cases) {
    changeEntry(1, [&c](FLN_ENTRY& e) { e.en_file_size = ZEL_EndianLong_NtoL(c.bytes); });
    EntryDlg dlg;
    dlg.setFlnEntry(&owner, &data, memoryEntry(1));
    EXPECT_EQ(label(&dlg, "textFileSize"), QString::fromUtf8(c.shown)) << c.bytes;
  }
}

TEST_F(EntryDlgTest, TitlesShowAsTyped) {
  const char* titles[] = {"report [*] draft", "<b>太字</b>"};
  for (const char* title : titles) {
    changeEntry(1, [title](FLN_ENTRY& e) { SetField(e.en_title, sizeof e.en_title, title); });
    EntryDlg dlg;
    dlg.setFlnEntry(&owner, &data, memoryEntry(1));
    dlg.window()->winId();  // the native window carries the title the user sees
    EXPECT_EQ(dlg.window()->windowHandle()->title(), QStringLiteral("「%1」の情報").arg(QString::fromUtf8(title)));
  }
}

TEST_F(EntryDlgTest, SavesEditsWhenAnotherWindowBecomesActive) {
  EntryDlg* dlg = open(0);
  const int32_t id = dlg->entryId();
  data.entryListInfo.sortFieldKind[0] = 7;  // the window must not store the sort keys

  now = kOpenTime.addSecs(60);
  control<QPlainTextEdit>(dlg, "editTitle")->setPlainText(QStringLiteral("統計力学"));
  control<QPlainTextEdit>(dlg, "editNote")->setPlainText(QStringLiteral("第2版\n付録あり"));
  control<QLineEdit>(dlg, "editAuthor")->setText(QStringLiteral("鈴木"));
  control<QLineEdit>(dlg, "editEditor")->setText(QStringLiteral("佐藤"));
  control<QLineEdit>(dlg, "editSupervisor")->setText(QStringLiteral("高橋"));
  control<QLineEdit>(dlg, "editTranslator")->setText(QStringLiteral("田中"));
  control<QLineEdit>(dlg, "editPublisher")->setText(QStringLiteral("岩波"));
  control<QComboBox>(dlg, "popMyRate")->setCurrentIndex(5);
  control<QTabWidget>(dlg, "tabView")->setCurrentIndex(1);
  activateFront();

  StoredLibrary stored(path());
  ASSERT_TRUE(stored.ok);
  const FLN_ENTRY entry = stored.entry(id);
  EXPECT_EQ(FieldText(entry.en_title, sizeof entry.en_title), QStringLiteral("統計力学"));
  EXPECT_EQ(FieldText(entry.en_note, sizeof entry.en_note), QStringLiteral("第2版\n付録あり"));
  EXPECT_EQ(FieldText(entry.en_author_name, sizeof entry.en_author_name), QStringLiteral("鈴木"));
  EXPECT_EQ(FieldText(entry.en_editor_name, sizeof entry.en_editor_name), QStringLiteral("佐藤"));
  EXPECT_EQ(FieldText(entry.en_supervisor_name, sizeof entry.en_supervisor_name), QStringLiteral("高橋"));
  EXPECT_EQ(FieldText(entry.en_translator_name, sizeof entry.en_translator_name), QStringLiteral("田中"));
  EXPECT_EQ(FieldText(entry.en_publisher_name, sizeof entry.en_publisher_name), QStringLiteral("岩波"));
  EXPECT_EQ(ZEL_EndianShort_LtoN(entry.en_my_rate), 5);
  EXPECT_EQ(ZEL_EndianLong_LtoN(entry.en_dlg_focus_tab), 1);
  EXPECT_EQ(Date(entry.en_update_date), "20261208142305123");
  EXPECT_EQ(Date(entry.en_last_view_date), kOpenTimeText);
  EXPECT_EQ(stored.data.entryListInfo.sortFieldKind[0], 2) << "the sort records were written";

  // The listed copy is written too, and the lists were rebuilt.
  FLN_ENTRY listed;
  ASSERT_EQ(GetFLNEntry_ByFLNData(&data, 0, &listed), 1);
  EXPECT_EQ(FieldText(listed.en_title, sizeof listed.en_title), QStringLiteral("統計力学"));
  EXPECT_EQ(owner.entryListBuilt, 1);
  EXPECT_EQ(owner.categoryListsBuilt, 1);
  // The window shows the saved entry again, with its new update date.
  EXPECT_EQ(label(dlg, "textUpdateDate"), QStringLiteral("2026/12/08 14:23:05"));
  EXPECT_EQ(owner.saveFailures, 0);
}

TEST_F(EntryDlgTest, DeactivatingWithoutEditsStillStampsTheEntry) {
  EntryDlg* dlg = open(1);
  now = kOpenTime.addSecs(3600);
  activateFront();
  StoredLibrary stored(path());
  ASSERT_TRUE(stored.ok);
  EXPECT_EQ(Date(stored.entry(dlg->entryId()).en_update_date), "20261208152205123");
  EXPECT_EQ(stored.triples().size(), 3u) << "no triple for an existing combination";
}

TEST_F(EntryDlgTest, NewCategoryNameReachesTheLibraryWindow) {
  EntryDlg* dlg = open(0);
  QLineEdit* typed = control<QComboBox>(dlg, "comboCat2")->lineEdit();
  typed->selectAll();
  TypeText(typed, QStringLiteral("新分類"));
  activateFront();

  StoredLibrary stored(path());
  ASSERT_TRUE(stored.ok);
  const FLN_ENTRY entry = stored.entry(dlg->entryId());
  EXPECT_EQ(FieldText(entry.en_c2_name, sizeof entry.en_c2_name), QStringLiteral("新分類"));
  const std::vector<std::string> added = {"A", "新分類", "P"};
  EXPECT_EQ(stored.triples().back(), added);
  // The library window rebuilt its lists after the triple was added: its
  // level-2 list offers the new name, and so does the combo box.
  EXPECT_EQ(owner.categoryListsBuilt, 1);
  const std::vector<std::string> level2 = {"X", "Y", "新分類", "その他"};
  EXPECT_EQ(NameArray(data.cat2Ary), level2);
  EXPECT_TRUE(items(control<QComboBox>(dlg, "comboCat2")).contains(QStringLiteral("新分類")));

  // Saving the same combination again adds nothing.
  ASSERT_TRUE(dlg->save());
  StoredLibrary again(path());
  EXPECT_EQ(again.triples().size(), stored.triples().size());
}

TEST_F(EntryDlgTest, ClearedCategoryBecomesDefault) {
  EntryDlg* dlg = open(0);
  control<QComboBox>(dlg, "comboCat3")->setEditText(QString());
  ASSERT_TRUE(dlg->save());
  StoredLibrary stored(path());
  const FLN_ENTRY entry = stored.entry(dlg->entryId());
  EXPECT_EQ(FieldText(entry.en_c3_name, sizeof entry.en_c3_name), QStringLiteral("その他"));
  const std::vector<std::string> added = {"A", "X", "その他"};
  EXPECT_EQ(stored.triples().back(), added);
  EXPECT_EQ(control<QComboBox>(dlg, "comboCat3")->currentText(), QStringLiteral("その他"));
}

TEST_F(EntryDlgTest, SavesOnlyWhatTheUserChanged) {
  // Another command changes a field of the stored entry while the window is
  // open (and does not tell the window); the user edits the author.
  struct Case {
    const char* name;
    std::function<void(FLN_ENTRY&)> change;
    std::function<QString(const FLN_ENTRY&)> field;
    QString expected;
  };
  const Case cases[] = {
      {"title", [](FLN_ENTRY& e) { SetField(e.en_title, sizeof e.en_title, "改題"); },
       [](const FLN_ENTRY& e) { return FieldText(e.en_title, sizeof e.en_title); }, QStringLiteral("改題")},
      {"category", [](FLN_ENTRY& e) { SetField(e.en_c1_name, sizeof e.en_c1_name, "B"); },
       [](const FLN_ENTRY& e) { return FieldText(e.en_c1_name, sizeof e.en_c1_name); }, QStringLiteral("B")},
      {"note", [](FLN_ENTRY& e) { SetField(e.en_note, sizeof e.en_note, "別の窓で"); },
       [](const FLN_ENTRY& e) { return FieldText(e.en_note, sizeof e.en_note); }, QStringLiteral("別の窓で")},
      {"rating", [](FLN_ENTRY& e) { e.en_my_rate = ZEL_EndianShort_NtoL(1); },
       [](const FLN_ENTRY& e) { return QString::number(ZEL_EndianShort_LtoN(e.en_my_rate)); }, QStringLiteral("1")},
      {"tab", [](FLN_ENTRY& e) { e.en_dlg_focus_tab = ZEL_EndianLong_NtoL(1); },
       [](const FLN_ENTRY& e) { return QString::number(ZEL_EndianLong_LtoN(e.en_dlg_focus_tab)); },
       QStringLiteral("1")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EntryDlg* dlg = open(0);
    FLN_ENTRY behind = memoryEntry(0);
    c.change(behind);
    ASSERT_EQ(UpdateEntry(data.entry, &behind), 1);
    const QString author = QStringLiteral("著者 ") + QString::fromLatin1(c.name);
    control<QLineEdit>(dlg, "editAuthor")->setText(author);
    ASSERT_TRUE(dlg->save());

    StoredLibrary stored(path());
    const FLN_ENTRY entry = stored.entry(dlg->entryId());
    EXPECT_EQ(c.field(entry), c.expected);
    EXPECT_EQ(FieldText(entry.en_author_name, sizeof entry.en_author_name), author);
    // The window shows what was saved.
    EXPECT_EQ(c.field(memoryEntry(0)), c.expected);
    dlg->close();
  }
}

TEST_F(EntryDlgTest, ShowingTheStoredEntryKeepsTheUsersUnsavedEdits) {
  EntryDlg* dlg = open(0);
  control<QPlainTextEdit>(dlg, "editNote")->setPlainText(QStringLiteral("書きかけ"));
  FLN_ENTRY behind = memoryEntry(0);
  SetField(behind.en_title, sizeof behind.en_title, "改題");
  SetField(behind.en_c2_name, sizeof behind.en_c2_name, "Y");
  ASSERT_EQ(UpdateEntry(data.entry, &behind), 1);

  dlg->showStoredEntry();
  EXPECT_EQ(control<QPlainTextEdit>(dlg, "editTitle")->toPlainText(), QStringLiteral("改題"));
  EXPECT_EQ(control<QComboBox>(dlg, "comboCat2")->currentText(), QStringLiteral("Y"));
  EXPECT_EQ(control<QPlainTextEdit>(dlg, "editNote")->toPlainText(), QStringLiteral("書きかけ"));
  EXPECT_EQ(dlg->window()->windowTitle(), QStringLiteral("「改題」の情報"));

  ASSERT_TRUE(dlg->save());
  StoredLibrary stored(path());
  const FLN_ENTRY entry = stored.entry(dlg->entryId());
  EXPECT_EQ(FieldText(entry.en_title, sizeof entry.en_title), QStringLiteral("改題"));
  EXPECT_EQ(FieldText(entry.en_c2_name, sizeof entry.en_c2_name), QStringLiteral("Y"));
  EXPECT_EQ(FieldText(entry.en_note, sizeof entry.en_note), QStringLiteral("書きかけ"));
}

TEST_F(EntryDlgTest, RefusesTheNamesThatStandForEveryOrNoChange) {
  const struct {
    const char* typed;
    QString message;
  } cases[] = {
      {"＜すべて＞", QStringLiteral("”＜すべて＞”はすべての分類を表すため、分類名にできません。")},
      {"＜変更しない＞", QStringLiteral("”＜変更しない＞”は分類名にできません。")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    EntryDlg* dlg = open(0);
    apptest::ScriptedAlerts alerts;
    control<QComboBox>(dlg, "comboCat2")->setEditText(QString::fromUtf8(c.typed));
    control<QLineEdit>(dlg, "editPublisher")->setText(QString::fromUtf8(c.typed) + QStringLiteral("社"));
    ASSERT_TRUE(dlg->save());
    EXPECT_EQ(alerts.texts(), QStringList{c.message});

    StoredLibrary stored(path());
    const FLN_ENTRY entry = stored.entry(dlg->entryId());
    EXPECT_EQ(FieldText(entry.en_c2_name, sizeof entry.en_c2_name), QStringLiteral("X"));
    // The other edits are saved all the same.
    EXPECT_EQ(FieldText(entry.en_publisher_name, sizeof entry.en_publisher_name),
              QString::fromUtf8(c.typed) + QStringLiteral("社"));
    EXPECT_EQ(stored.triples().size(), 3u) << "no triple with the refused name";
    EXPECT_EQ(control<QComboBox>(dlg, "comboCat2")->currentText(), QStringLiteral("X"));
    dlg->close();
  }
}

TEST_F(EntryDlgTest, SavesAndSaysSoWhenClosed) {
  EntryDlg* first = open(0);
  EntryDlg* second = open(1);
  QPointer<EntryDlg> watched(first);
  const int32_t id = first->entryId();
  control<QLineEdit>(first, "editAuthor")->setText(QStringLiteral("閉じる前"));
  first->window()->close();  // the window's close control
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  EXPECT_TRUE(watched.isNull()) << "a closed dialog goes";
  StoredLibrary stored(path());
  const FLN_ENTRY entry = stored.entry(id);
  EXPECT_EQ(FieldText(entry.en_author_name, sizeof entry.en_author_name), QStringLiteral("閉じる前"));
  // Only the closed dialog said it closed, once.
  EXPECT_EQ(closedDialogs, std::vector<const EntryDlg*>{first});

  // close() does the same.
  QPointer<EntryDlg> secondWatched(second);
  second->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(secondWatched.isNull());
  EXPECT_EQ(closedDialogs, (std::vector<const EntryDlg*>{first, second}));

  // Opening the entry again makes a fresh dialog showing the saved text.
  load();
  EntryDlg* reopened = open(0);
  EXPECT_EQ(control<QLineEdit>(reopened, "editAuthor")->text(), QStringLiteral("閉じる前"));
}

TEST_F(EntryDlgTest, MovingStoresTheFrame) {
  EntryDlg* dlg = open(1);
  now = kOpenTime.addSecs(2);
  dlg->window()->move(120, 80);
  QCoreApplication::processEvents();
  const QRect frame = dlg->window()->frameGeometry();
  ASSERT_EQ(frame.topLeft(), QPoint(120, 80));

  StoredLibrary stored(path());
  const FLN_ENTRY entry = stored.entry(dlg->entryId());
  EXPECT_EQ(ZEL_EndianShort_LtoN(entry.en_window_position.top), 80);
  EXPECT_EQ(ZEL_EndianShort_LtoN(entry.en_window_position.left), 120);
  EXPECT_EQ(ZEL_EndianShort_LtoN(entry.en_window_position.bottom), 80 + frame.height());
  EXPECT_EQ(ZEL_EndianShort_LtoN(entry.en_window_position.right), 120 + frame.width());
  EXPECT_EQ(Date(entry.en_update_date), "20261208142207123");
}

TEST_F(EntryDlgTest, OpensAtTheMovedPlaceOnlyWhenLargeEnough) {
  owner.front = &front;
  const QScreen* screen = QGuiApplication::primaryScreen();
  const struct {
    const char* what;
    QSize stored;
    bool atStoredPlace;
  } cases[] = {
      {"larger than 567 x 603", QSize(600, 640), true},
      {"as wide as 567", QSize(567, 700), false},
      {"as tall as 603", QSize(700, 603), false},
      {"never moved", QSize(0, 0), false},
  };
  for (const auto& c : cases) {
    const QPoint place = c.stored.isEmpty() ? QPoint(0, 0) : QPoint(150, 10);
    changeEntry(1, [&](FLN_ENTRY& e) {
      const FlnRect rect = EntryDlgFrameToFlnRect(QRect(place, c.stored));
      e.en_window_position = {ZEL_EndianShort_NtoL(rect.top), ZEL_EndianShort_NtoL(rect.left),
                              ZEL_EndianShort_NtoL(rect.bottom), ZEL_EndianShort_NtoL(rect.right)};
    });
    EntryDlg dlg;
    dlg.setFlnEntry(&owner, &data, memoryEntry(1));
    const QPoint opened = dlg.window()->pos();
    if (c.atStoredPlace) {
      EXPECT_EQ(opened, place) << c.what;
    } else {
      // Cascaded from the window behind, by the rules of EntryDlgOrigin.
      EntryDlgPlacementInput input;
      input.behind = front.frameGeometry();
      input.size = dlg.window()->frameGeometry().size();
      input.display = screen->availableGeometry();
      input.screens = {screen->geometry()};
      EXPECT_EQ(opened, EntryDlgOrigin(input)) << c.what;
      EXPECT_NE(opened, place) << c.what;
    }
  }
}

TEST_F(EntryDlgTest, FieldsTakeNoMoreThanTheEntryStores) {
  EntryDlg* dlg = open(1);
  // Title: 126 units. Typing on stops there, also for a pair of surrogates.
  QPlainTextEdit* title = control<QPlainTextEdit>(dlg, "editTitle");
  title->setPlainText(QString(125, QLatin1Char('t')));
  title->moveCursor(QTextCursor::End);
  title->insertPlainText(QStringLiteral("😀"));  // two units, one too many
  EXPECT_EQ(title->toPlainText(), QString(125, QLatin1Char('t')));
  title->insertPlainText(QStringLiteral("ab"));
  EXPECT_EQ(title->toPlainText(), QString(125, QLatin1Char('t')) + QLatin1Char('a'));
  // Pasting in the middle drops the end of what was pasted, not the text after it.
  title->setPlainText(QStringLiteral("start end"));
  QTextCursor cursor = title->textCursor();
  cursor.setPosition(6);
  title->setTextCursor(cursor);
  title->insertPlainText(QString(200, QLatin1Char('x')));
  EXPECT_EQ(title->toPlainText(), QStringLiteral("start ") + QString(117, QLatin1Char('x')) + QStringLiteral("end"));

  QLineEdit* author = control<QLineEdit>(dlg, "editAuthor");
  author->setText(QString());
  QTest::keyClicks(author, QString(130, QLatin1Char('n')));
  EXPECT_EQ(author->text().size(), 126);

  // Category names: as many units as a name field holds (126).
  QLineEdit* cat = control<QComboBox>(dlg, "comboCat1")->lineEdit();
  cat->selectAll();
  TypeText(cat, QString(130, QChar(0x3042)));
  EXPECT_EQ(cat->text(), QString(126, QChar(0x3042)));

  ASSERT_TRUE(dlg->save());
  StoredLibrary stored(path());
  const FLN_ENTRY entry = stored.entry(dlg->entryId());
  EXPECT_EQ(FieldText(entry.en_title, sizeof entry.en_title), title->toPlainText());
  EXPECT_EQ(FieldText(entry.en_author_name, sizeof entry.en_author_name), QString(126, QLatin1Char('n')));
  EXPECT_EQ(FieldText(entry.en_c1_name, sizeof entry.en_c1_name), QString(126, QChar(0x3042)));
}

TEST_F(EntryDlgTest, StoredValuesNoControlCanShowAreKept) {
  // A rating beyond the items, and a category name too long for a category
  // record (but not for the entry's field), as a metadata file may bring.
  const QString longName(60, QChar(0x3044));  // 180 bytes of UTF-8
  changeEntry(1, [&longName](FLN_ENTRY& e) {
    e.en_my_rate = ZEL_EndianShort_NtoL(9);
    FLN_COMM_CopyUniStr_FromNSString_NtoL(longName, e.en_c2_name, sizeof e.en_c2_name);
  });
  EntryDlg* dlg = open(1);
  EXPECT_EQ(control<QComboBox>(dlg, "popMyRate")->currentIndex(), -1);
  EXPECT_EQ(control<QComboBox>(dlg, "comboCat2")->currentText(), longName);
  ASSERT_TRUE(dlg->save());
  StoredLibrary stored(path());
  const FLN_ENTRY entry = stored.entry(dlg->entryId());
  EXPECT_EQ(ZEL_EndianShort_LtoN(entry.en_my_rate), 9);
  EXPECT_EQ(FieldText(entry.en_c2_name, sizeof entry.en_c2_name), longName);
}

TEST_F(EntryDlgTest, FailedSaveIsReported) {
  EntryDlg* dlg = open(0);
  ASSERT_EQ(owner.saveFailures, 0);
  ASSERT_TRUE(QFile::remove(path()));
  control<QLineEdit>(dlg, "editAuthor")->setText(QStringLiteral("未保存"));
  activateFront();
  EXPECT_EQ(owner.saveFailures, 1);
  EXPECT_FALSE(dlg->save());
  EXPECT_EQ(owner.saveFailures, 2);
  // The edit is kept in the library in memory and in the window.
  EXPECT_EQ(FieldText(memoryEntry(0).en_author_name, sizeof(FLN_ENTRY::en_author_name)), QStringLiteral("未保存"));
  EXPECT_EQ(control<QLineEdit>(dlg, "editAuthor")->text(), QStringLiteral("未保存"));
}

TEST_F(EntryDlgTest, DeletedEntryIsNotWritten) {
  EntryDlg* dlg = open(1);
  Tesk_Ary_Remove(data.entry, 1);
  ASSERT_TRUE(SaveAll(data.filePath, &data).ok());
  const QByteArray before = [this] {
    QFile file(path());
    file.open(QIODevice::ReadOnly);
    return file.readAll();
  }();
  control<QLineEdit>(dlg, "editAuthor")->setText(QStringLiteral("gone"));
  EXPECT_FALSE(dlg->save());
  dlg->window()->move(300, 20);
  dlg->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QFile file(path());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), before);
  EXPECT_EQ(owner.saveFailures, 0);
  EXPECT_EQ(closedDialogs.size(), 1u);
}

}  // namespace
