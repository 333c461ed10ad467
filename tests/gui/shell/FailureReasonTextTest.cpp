// The reason line of a failure alert: chosen by the failure's kind, in the
// window's language, with the system's own text for an errno in brackets, and
// never the library layer's English reason.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTranslator>
#include <cerrno>
#include <cstring>
#include <memory>

#include "gui/shell/FailureReasonText.h"
#include "gui/shell/UiLanguage.h"

namespace {

// The library layer's own text: it must never reach the window.
const char kLibraryReason[] = "the library was never loaded";

QString System(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

struct ReasonCase {
  FlnStatus status;
  int systemError;
  QString japanese;
  QString english;
};

std::vector<ReasonCase> Cases() {
  return {
      {FlnStatus::PathTooLong, 0, "ファイルの場所を表すパスが長すぎます。", "The path to the file is too long."},
      {FlnStatus::CannotOpen, 0, "ファイルを開けませんでした。", "The file could not be opened."},
      {FlnStatus::CannotOpen, EACCES, "ファイルを開けませんでした（" + System(EACCES) + "）。",
       "The file could not be opened (" + System(EACCES) + ")."},
      {FlnStatus::NotLoaded, 0, "ライブラリが読み込まれていません。", "The library has not been loaded."},
      {FlnStatus::NotALibrary, 0, "Folianのライブラリではありません。", "It is not a Folian library."},
      {FlnStatus::WrongVersion, 0, "このバージョンでは扱えない形式のライブラリです。",
       "This version cannot handle the library's format."},
      {FlnStatus::Truncated, 0, "ファイルが途中で切れています。", "The file is cut short."},
      {FlnStatus::Damaged, 0, "ライブラリが壊れています。", "The library is damaged."},
      {FlnStatus::WriteFailed, 0, "ファイルの読み書きに失敗しました。", "Reading or writing the file failed."},
      {FlnStatus::WriteFailed, EIO, "ファイルの読み書きに失敗しました（" + System(EIO) + "）。",
       "Reading or writing the file failed (" + System(EIO) + ")."},
      {FlnStatus::NoSpace, ENOSPC, "ディスクの空き容量が足りません（" + System(ENOSPC) + "）。",
       "There is not enough free space on the disk (" + System(ENOSPC) + ")."},
      {FlnStatus::TooLarge, 0, "ライブラリのファイルが扱える大きさの上限を超えます。",
       "The library file would grow past the largest size it can have."},
      {FlnStatus::Replaced, 0, "ファイルが、ほかのプログラムによって置き換えられたか変更されています。",
       "Another program has replaced or changed the file."},
      {FlnStatus::SameFile, 0, "コピー先が、ライブラリ自身のファイルです。", "The copy's target is the library's own file."},
      {FlnStatus::Stopped, 0, "中止しました。", "It was stopped."},
  };
}

class FailureReasonTextTest : public ::testing::TestWithParam<UiLanguage> {
 protected:
  void SetUp() override {
    _translator = LoadTranslation(GetParam());
    ASSERT_NE(_translator, nullptr);
    QCoreApplication::installTranslator(_translator.get());
  }
  void TearDown() override {
    if (_translator) QCoreApplication::removeTranslator(_translator.get());
  }

 private:
  std::unique_ptr<QTranslator> _translator;
};

TEST_P(FailureReasonTextTest, EveryKindIsToldInTheWindowsLanguage) {
  for (const ReasonCase& c : Cases()) {
    SCOPED_TRACE(c.english.toStdString());
    const FlnResult result{c.status, kLibraryReason, c.systemError};
    const QString text = FailureReasonText(result);
    EXPECT_EQ(text, GetParam() == UiLanguage::Japanese ? c.japanese : c.english);
    EXPECT_FALSE(text.contains(QString::fromLatin1(kLibraryReason)));
  }
}

TEST_P(FailureReasonTextTest, SuccessHasNoReason) { EXPECT_TRUE(FailureReasonText(FlnResult::success()).isEmpty()); }

INSTANTIATE_TEST_SUITE_P(BothLanguages, FailureReasonTextTest,
                         ::testing::Values(UiLanguage::Japanese, UiLanguage::English),
                         [](const ::testing::TestParamInfo<UiLanguage>& info) {
                           return std::string(info.param == UiLanguage::Japanese ? "Japanese" : "English");
                         });

// Every failure kind has a sentence of its own: a kind that fell to another's
// sentence would tell the user the wrong reason.
TEST(FailureReasonTextKinds, EachKindHasItsOwnSentence) {
  QStringList seen;
  for (const ReasonCase& c : Cases()) {
    if (c.systemError != 0) continue;
    const QString text = FailureReasonText(FlnResult{c.status, kLibraryReason, 0});
    EXPECT_FALSE(seen.contains(text)) << text.toStdString();
    seen << text;
  }
  // Every kind but NoSpace (always an errno) and Ok appears above without one.
  EXPECT_EQ(seen.size(), static_cast<int>(FlnStatus::Stopped) - 1);
}

}  // namespace
