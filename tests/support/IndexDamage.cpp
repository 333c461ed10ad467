#include "IndexDamage.h"

#include <gtest/gtest.h>

#include <QFile>
#include <sqlite3.h>
#include <string>

void DamageIndexTable(const QString& path, const char* table) {
  int page = 0, pageSize = 0;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    const std::string sql =
        std::string("SELECT rootpage, (SELECT page_size FROM pragma_page_size) FROM sqlite_master WHERE name = '") +
        table + "'";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      page = sqlite3_column_int(statement, 0);
      pageSize = sqlite3_column_int(statement, 1);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  // Page 1 holds the header and the list of tables, which opening reads.
  ASSERT_GT(page, 1) << table << " is not in " << path.toStdString();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << file.errorString().toStdString();
  ASSERT_TRUE(file.seek(static_cast<qint64>(page - 1) * pageSize));
  ASSERT_EQ(file.write(QByteArray(pageSize, '\xa5')), pageSize);
}
