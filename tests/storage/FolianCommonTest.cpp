#include "storage/FolianCommon.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <cstring>
#include <ctime>

namespace {

// Sets the process's time zone for one test and puts the old one back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) : hadOld_(qEnvironmentVariableIsSet("TZ")), old_(qgetenv("TZ")) {
    qputenv("TZ", tz);
    tzset();
  }
  ~ScopedTimeZone() {
    if (hadOld_)
      qputenv("TZ", old_);
    else
      qunsetenv("TZ");
    tzset();
  }

 private:
  bool hadOld_;
  QByteArray old_;
};

constexpr char kUntouched[] = "##################################";  // 34 bytes and a zero

TEST(DateString, WrittenOnlyIntoEighteenBytesOrMore) {
  const QDateTime date(QDate(2026, 12, 8), QTime(21, 13, 20, 500), Qt::LocalTime);
  struct Case {
    size_t size;
    bool written;
  };
  const Case cases[] = {{0, false}, {16, false}, {17, false}, {18, true}, {34, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    char dest[sizeof kUntouched];
    std::memcpy(dest, kUntouched, sizeof dest);
    FLN_COMM_NSDateToString(date, dest, c.size);
    if (c.written) {
      EXPECT_EQ(std::string(dest, 18), std::string("20261208211320500", 18));  // 17 digits and a zero
      EXPECT_EQ(dest[18], '#');
    } else {
      EXPECT_STREQ(dest, kUntouched);
    }
  }
}

TEST(DateString, DigitsOfLocalDateWithMillisecondsTruncated) {
  struct Case {
    QDate day;
    QTime time;
    const char* digits;
  };
  const Case cases[] = {
      {QDate(2026, 12, 8), QTime(21, 13, 20, 500), "20261208211320500"},
      {QDate(2001, 1, 2), QTime(3, 4, 5, 7), "20010102030405007"},
      {QDate(1999, 12, 31), QTime(23, 59, 59, 999), "19991231235959999"},
      {QDate(1, 1, 1), QTime(0, 0, 0, 0), "00010101000000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.digits);
    char dest[18];
    FLN_COMM_NSDateToString(QDateTime(c.day, c.time, Qt::LocalTime), dest, sizeof dest);
    EXPECT_STREQ(dest, c.digits);
  }
}

TEST(DateString, IsTakenInLocalTimeWhateverTheDateObjectsZone) {
  const ScopedTimeZone japan("JST-9");
  char dest[18];
  FLN_COMM_NSDateToString(QDateTime(QDate(2026, 12, 8), QTime(12, 13, 20, 500), Qt::UTC), dest, sizeof dest);
  EXPECT_STREQ(dest, "20261208211320500");
}

TEST(DateString, DatesThatDoNotFitSeventeenDigitsWriteNothing) {
  const QDateTime dates[] = {
      QDateTime(),
      QDateTime(QDate(10000, 1, 1), QTime(0, 0), Qt::LocalTime),
      QDateTime(QDate(-5, 1, 1), QTime(0, 0), Qt::LocalTime),
  };
  for (const QDateTime& date : dates) {
    SCOPED_TRACE(date.toString(Qt::ISODate).toStdString());
    char dest[sizeof kUntouched];
    std::memcpy(dest, kUntouched, sizeof dest);
    FLN_COMM_NSDateToString(date, dest, sizeof dest);
    EXPECT_STREQ(dest, kUntouched);
  }
}

}  // namespace
