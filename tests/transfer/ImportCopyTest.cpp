// An import copies a PDF's bytes into the library inside the kernel while
// the file is as it was read; a file written to after it was read still gets
// exactly the bytes that were read (and digested and checked) stored.

#include <gtest/gtest.h>

#include <QFile>
#include <cstdio>
#include <string>

#include "ContainerContents.h"
#include "TransferTestSupport.h"
#include "format/FlnRecords.h"
#include "transfer/ImportFileRead.h"

namespace {

using namespace transfertest;
using testsupport::MembersOf;
using testsupport::ReadContents;

class ImportCopyTest : public SandboxLibraryTest {};

void Overwrite(const std::string& path, const QByteArray& bytes) {
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

TEST_F(ImportCopyTest, TheStoredBytesAreTheBytesThatWereRead) {
  const struct {
    const char* what;
    int size;
    // What happens to the file between its reading and its storing.
    void (*change)(const std::string& path, const std::string& other);
  } cases[] = {
      {"left alone", 5000, [](const std::string&, const std::string&) {}},
      {"left alone, several MiB", 3 * 1024 * 1024 + 17, [](const std::string&, const std::string&) {}},
      {"rewritten with other bytes of its size", 5000,
       [](const std::string& path, const std::string&) { Overwrite(path, PdfBytes(5000, 99)); }},
      {"grown", 5000, [](const std::string& path, const std::string&) { Overwrite(path, PdfBytes(9000, 98)); }},
      {"cut short", 5000, [](const std::string& path, const std::string&) { Overwrite(path, PdfBytes(10, 97)); }},
      {"replaced by another file", 5000,
       [](const std::string& path, const std::string& other) {
         ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
       }},
      {"removed", 5000, [](const std::string& path, const std::string&) { ASSERT_EQ(std::remove(path.c_str()), 0); }},
  };
  box_.makeFolder("in");
  std::vector<std::string> expected;
  int seed = 0;
  for (const auto& c : cases) {
    const std::string relative = "in/p" + std::to_string(++seed) + ".pdf";
    const std::string path = box_.path(relative);
    box_.writePdf(relative, c.size, seed);
    box_.writePdf(relative + ".other", c.size, seed + 50);
    QByteArray bytes;
    ImportFailure failure;
    ImportFileStamp stamp;
    ASSERT_TRUE(ReadImportFile(path, &bytes, &failure, &stamp)) << c.what;
    c.change(path, path + ".other");

    FlnAppendSession session(&library_.data);
    ASSERT_TRUE(session.open().ok()) << c.what;
    int32_t dataIndex = -1;
    const FlnResult copied = StoreReadImportFile(&session, path, stamp, bytes, &dataIndex);
    EXPECT_TRUE(copied.ok()) << c.what << ": " << copied.reason;
    EXPECT_EQ(dataIndex, static_cast<int32_t>(expected.size())) << c.what;
    ASSERT_TRUE(session.close().ok()) << c.what;
    expected.push_back(bytes.toStdString());

    const testsupport::Contents contents = ReadContents(libraryPath_);
    const std::vector<std::string>* stored = MembersOf(contents, kTagAttachmentData);
    ASSERT_NE(stored, nullptr) << c.what;
    EXPECT_EQ(*stored, expected) << c.what;
  }
}

}  // namespace
