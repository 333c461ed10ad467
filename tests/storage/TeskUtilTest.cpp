#include "storage/Clock.h"
#include "storage/TeskUtil.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

class CurrentTimeTest : public ::testing::Test {
 protected:
  void TearDown() override { Clock::setSource({}); }
};

TEST_F(CurrentTimeTest, WritesTheClocksLocalTimeIntoEighteenBytesOnly) {
  Clock::setSource([] { return QDateTime(QDate(2026, 12, 8), QTime(21, 13, 20, 500), Qt::LocalTime); });
  struct Case {
    size_t size;
    const char* expected;
  };
  const Case cases[] = {{16, "################"}, {17, "################"}, {18, "20261208211320500"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    char dest[19] = "################";  // 16 marks and zeros
    Tesk_GetCurrentTimeAsString(dest, c.size);
    EXPECT_STREQ(dest, c.expected);
  }
}

TEST_F(CurrentTimeTest, EmptySourceRestoresTheSystemClock) {
  const QDateTime fixed(QDate(2026, 12, 8), QTime(21, 13, 20, 500), Qt::LocalTime);
  Clock::setSource([fixed] { return fixed; });
  ASSERT_EQ(Clock::now(), fixed);

  Clock::setSource({});
  const QDateTime before = QDateTime::currentDateTime();
  const QDateTime now = Clock::now();
  const QDateTime after = QDateTime::currentDateTime();
  EXPECT_LE(before, now);
  EXPECT_LE(now, after);
}

class ReadBufferTest : public ::testing::Test {
 protected:
  QString write(const QString& name, const QByteArray& content) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(file.write(content), content.size());
    return path;
  }
  QTemporaryDir dir_;
};

TEST_F(ReadBufferTest, WholeFileFollowedByOneZeroByte) {
  const QByteArray contents[] = {
      QByteArray(),
      QByteArray("title\tA book\r\n"),
      QByteArray("a\0b\xFF", 4),  // binary, with a zero inside
      QByteArray(70000, 'z'),
  };
  int n = 0;
  for (const QByteArray& content : contents) {
    SCOPED_TRACE(content.size());
    const QString path = write(QString("file%1").arg(n++), content);
    char* buffer = nullptr;
    ASSERT_EQ(Tesk_ReadBuffer_fromFile(QFile::encodeName(path).constData(), &buffer), 1);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(std::memcmp(buffer, content.constData(), static_cast<size_t>(content.size())), 0);
    EXPECT_EQ(buffer[content.size()], '\0');
    std::free(buffer);
  }
}

TEST_F(ReadBufferTest, WhatIsNotAReadableRegularFileGivesZeroAndNull) {
  const QString missing = dir_.filePath("missing.flx");
  const QString folder = dir_.filePath("folder.flx");
  ASSERT_TRUE(QDir().mkdir(folder));
  const QString paths[] = {missing, folder, QStringLiteral("/dev/null")};
  for (const QString& path : paths) {
    SCOPED_TRACE(path.toStdString());
    char sentinel = 0;
    char* buffer = &sentinel;
    EXPECT_EQ(Tesk_ReadBuffer_fromFile(QFile::encodeName(path).constData(), &buffer), 0);
    EXPECT_EQ(buffer, nullptr);
  }
  char sentinel = 0;
  char* buffer = &sentinel;
  EXPECT_EQ(Tesk_ReadBuffer_fromFile(nullptr, &buffer), 0);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(Tesk_ReadBuffer_fromFile(QFile::encodeName(write("x", "x")).constData(), nullptr), 0);
}

// Points the user's configuration folder elsewhere for one test.
class ScopedConfigHome {
 public:
  explicit ScopedConfigHome(const QByteArray& path)
      : hadOld_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")), old_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", path);
  }
  ~ScopedConfigHome() {
    if (hadOld_)
      qputenv("XDG_CONFIG_HOME", old_);
    else
      qunsetenv("XDG_CONFIG_HOME");
  }

 private:
  bool hadOld_;
  QByteArray old_;
};

TEST(UserPreferencePath, ConfigFolderWithSlashWhenItFitsAndNeverCreated) {
  QTemporaryDir dir;
  const QByteArray folder = QFile::encodeName(dir.filePath(QStringLiteral("設定")));
  const ScopedConfigHome home(folder);
  const std::string expected = folder.toStdString() + "/";

  char dest[1024];
  std::memset(dest, '#', sizeof dest);
  EXPECT_EQ(Tesk_GetUserPreferencePath(dest, expected.size()), 0) << "no room for the zero byte";
  EXPECT_EQ(std::string(dest, expected.size() + 1), std::string(expected.size() + 1, '#'));

  ASSERT_EQ(Tesk_GetUserPreferencePath(dest, expected.size() + 1), 1);
  EXPECT_STREQ(dest, expected.c_str());
  EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(folder)));
}

}  // namespace
