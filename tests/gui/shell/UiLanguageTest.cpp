// The language of the windows: chosen from the locale or --lang, the English
// translation complete, and every window text going through it.

#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTableView>
#include <QTranslator>
#include <QXmlStreamReader>
#include <cerrno>
#include <cstring>

#include "WindowFixture.h"
#include "gui/library/CategoryLevelPane.h"
#include "gui/library/EntryListModel.h"
#include "gui/shell/StartWindow.h"
#include "gui/shell/UiLanguage.h"
#include "storage/FileIo.h"

namespace apptest {
namespace {

QProcessEnvironment Environment(std::initializer_list<std::pair<const char*, const char*>> variables) {
  QProcessEnvironment environment;
  for (const auto& [name, value] : variables) environment.insert(QString::fromLatin1(name), QString::fromUtf8(value));
  return environment;
}

TEST(UiLanguageTest, TheLocaleChoosesJapaneseForJapaneseOrWhatItCannotRead) {
  const struct {
    QProcessEnvironment environment;
    UiLanguage expected;
  } cases[] = {
      {Environment({{"LANG", "ja_JP.UTF-8"}}), UiLanguage::Japanese},
      {Environment({{"LANG", "en_US.UTF-8"}}), UiLanguage::English},
      {Environment({{"LANG", "de_DE@euro"}}), UiLanguage::English},
      {Environment({{"LANG", "fr"}}), UiLanguage::English},
      {Environment({{"LANG", "C.UTF-8"}}), UiLanguage::Japanese},
      {Environment({{"LANG", "POSIX"}}), UiLanguage::Japanese},
      {Environment({{"LANG", "xx_YY.UTF-8"}}), UiLanguage::Japanese},  // no language we know
      {Environment({}), UiLanguage::Japanese},
      // LC_ALL before LC_MESSAGES before LANG.
      {Environment({{"LANG", "ja_JP.UTF-8"}, {"LC_MESSAGES", "en_GB.UTF-8"}}), UiLanguage::English},
      {Environment({{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "ja_JP.UTF-8"}}), UiLanguage::Japanese},
      {Environment({{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "en_US.UTF-8"}, {"LC_ALL", "ja_JP.eucJP"}}),
       UiLanguage::Japanese},
      {Environment({{"LANG", "ja_JP.UTF-8"}, {"LC_ALL", ""}}), UiLanguage::Japanese},  // empty is unset
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.environment.toStringList().join(QLatin1Char(' ')).toStdString());
    EXPECT_EQ(UiLanguageOfLocale(c.environment), c.expected);
  }
}

TEST(UiLanguageTest, LangOptionOverridesAndIsTakenOutOfTheArguments) {
  const struct {
    QStringList arguments;
    bool ok;
    UiLanguage language;
    QStringList rest;
  } cases[] = {
      {{"--lang", "en", "a.fln"}, true, UiLanguage::English, {"a.fln"}},
      {{"a.fln", "--lang=ja"}, true, UiLanguage::Japanese, {"a.fln"}},
      {{"a.fln", "b.fln"}, true, UiLanguage::English, {"a.fln", "b.fln"}},  // unchanged: the locale's
      {{"--lang", "de"}, false, UiLanguage::English, {}},
      {{"a.fln", "--lang"}, false, UiLanguage::English, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
    QStringList arguments = c.arguments;
    UiLanguage language = UiLanguage::English;
    QString error;
    EXPECT_EQ(TakeLanguageOption(&arguments, &language, &error), c.ok);
    if (!c.ok) {
      EXPECT_TRUE(error.contains(QStringLiteral("--lang"))) << error.toStdString();
      continue;
    }
    EXPECT_EQ(language, c.language);
    EXPECT_EQ(arguments, c.rest);
  }
}

// The English translation file: every text translated, none left unfinished.
TEST(UiLanguageTest, TheEnglishTranslationIsComplete) {
  QFile file(QStringLiteral(FOLIAN_SOURCE_DIR "/translations/folian_en.ts"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  int messages = 0;
  QString source;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    if (xml.name() == QLatin1String("source")) source = xml.readElementText();
    if (xml.name() != QLatin1String("translation")) continue;
    ++messages;
    const QString type = xml.attributes().value(QLatin1String("type")).toString();
    const QString translation = xml.readElementText();
    // The stored category names are data: they are quoted as they are.
    QString outsideNames = translation;
    for (const char* name : {"＜すべて＞", "＜変更しない＞", "その他"}) outsideNames.remove(QString::fromUtf8(name));
    EXPECT_TRUE(type.isEmpty()) << type.toStdString() << ": " << source.toStdString();
    EXPECT_FALSE(translation.isEmpty()) << "untranslated: " << source.toStdString();
    EXPECT_FALSE(outsideNames.contains(QRegularExpression(QStringLiteral("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}]"))))
        << "Japanese left in: " << translation.toStdString();
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_GT(messages, 200);
}

// Every Japanese text of the windows goes through the translation: no
// Japanese string literal is shown as written, apart from the stored
// category names, which are data.
TEST(UiLanguageTest, NoWindowTextBypassesTheTranslation) {
  const QRegularExpression literal(QStringLiteral("QStringLiteral\\(\"[^\"]*[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}]"));
  const QStringList data = {QStringLiteral("（復旧）.fln"), QStringLiteral("（復旧%1）.fln")};
  QStringList bypassing;
  for (const char* folder : {"/src/gui", "/src/pdfview", "/src/categories"}) {
    QDirIterator files(QStringLiteral(FOLIAN_SOURCE_DIR) + QLatin1String(folder), {QStringLiteral("*.cpp")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
      QFile file(files.next());
      ASSERT_TRUE(file.open(QIODevice::ReadOnly));
      int number = 0;
      for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        ++number;
        if (!line.contains(literal)) continue;
        if (std::any_of(data.begin(), data.end(), [&](const QString& d) { return line.contains(d); })) continue;
        bypassing << QStringLiteral("%1:%2").arg(file.fileName()).arg(number);
      }
    }
  }
  EXPECT_TRUE(bypassing.isEmpty()) << bypassing.join(QLatin1Char('\n')).toStdString();
}

class Translated : public WindowFixture {
 protected:
  void use(UiLanguage language) {
    _translator = LoadTranslation(language);
    ASSERT_NE(_translator, nullptr);
    QCoreApplication::installTranslator(_translator.get());
  }
  void TearDown() override {
    WindowFixture::TearDown();
    if (_translator) QCoreApplication::removeTranslator(_translator.get());
  }

  QStringList menuTitles(FolianDocument* document) const {
    QStringList titles;
    for (QAction* action : document->mainWindow()->menuBar()->actions()) titles << action->text();
    return titles;
  }

 private:
  std::unique_ptr<QTranslator> _translator;
};

TEST_F(Translated, EnglishWindowsAndQtsOwnTextsFollowTheLanguage) {
  use(UiLanguage::English);
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  const QStringList titles = menuTitles(document);
  ASSERT_GE(titles.size(), 4);
  EXPECT_EQ(titles.mid(0, 3), QStringList({"&File", "&Edit", "&Categories"}));
  EXPECT_EQ(document->entryListModel()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Title"));
  EXPECT_EQ(document->entryCountLabel()->text(), QStringLiteral("3 entries"));
  // Stored names are data: they stay as stored.
  EXPECT_EQ(CategoryRows(document, 1).first(), QStringLiteral("＜すべて＞"));
  // Qt's own texts stay English.
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

// The reason of a failed save is translated with the rest of the alert; the
// system's own text for the error stays as the system gives it.
TEST_F(Translated, AFailedSavesReasonIsEnglishInEnglish) {
  use(UiLanguage::English);
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  ScriptedAlerts alerts;
  FileFaults::failWrite(1, FileFaults::Kind::FromThenOn, ENOSPC);
  ClickRow(document->folianCategory(1)->tableView(), 1);  // the choice is saved
  FileFaults::reset();
  ASSERT_EQ(alerts.asked.size(), 1u);
  EXPECT_EQ(alerts.texts()[0], QStringLiteral("The library “lib.fln” could not be saved. The change has not been "
                                              "written to the file.\nThere is not enough free space on the disk (%1).")
                                   .arg(QString::fromLocal8Bit(std::strerror(ENOSPC))));
}

TEST_F(Translated, AFailedSavesReasonIsJapaneseInJapanese) {
  use(UiLanguage::Japanese);
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  ScriptedAlerts alerts;
  FileFaults::failWrite(1, FileFaults::Kind::FromThenOn, EIO);
  ClickRow(document->folianCategory(1)->tableView(), 1);  // the choice is saved
  FileFaults::reset();
  ASSERT_EQ(alerts.asked.size(), 1u);
  EXPECT_EQ(alerts.texts()[0], QStringLiteral("ライブラリ「lib.fln」に保存できませんでした。変更はファイルに書き込まれていません。"
                                              "\nファイルの読み書きに失敗しました（%1）。")
                                   .arg(QString::fromLocal8Bit(std::strerror(EIO))));
}

TEST_F(Translated, JapaneseIsTheTextAsWrittenWithQtsOwnInJapanese) {
  use(UiLanguage::Japanese);
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(menuTitles(document).mid(0, 3), QStringList({"ファイル(&F)", "編集(&E)", "分類(&C)"}));
  EXPECT_EQ(document->entryListModel()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("タイトル"));
  EXPECT_EQ(document->entryCountLabel()->text(), QStringLiteral("3件"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
}

}  // namespace
}  // namespace apptest
