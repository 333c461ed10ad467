#include "CliTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "TestFiles.h"
#include "format/FlnRecords.h"
#include "storage/ZelFile.h"

namespace clitest {

namespace {
std::string readAllText(const std::string& file) {
  const std::vector<uint8_t> bytes = readAll(file);
  return std::string(bytes.begin(), bytes.end());
}
}  // namespace

CliSandbox::CliSandbox() { EXPECT_TRUE(dir_.isValid()); }

std::string CliSandbox::path(const std::string& relative) const { return dir_.path().toStdString() + "/" + relative; }

void CliSandbox::makeFolder(const std::string& relative) const {
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(path(relative)))) << relative;
}

std::vector<uint8_t> CliSandbox::writePdf(const std::string& relative, int size, int seed) const {
  const QString file = QString::fromStdString(path(relative));
  EXPECT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
  std::vector<uint8_t> bytes = {'%', 'P', 'D', 'F', '-', '1', '.', '4', '\n'};
  uint32_t state = 2166136261u ^ static_cast<uint32_t>(seed);
  while (bytes.size() < static_cast<size_t>(size)) {
    state = state * 16777619u + 12345u;
    bytes.push_back(static_cast<uint8_t>(state >> 24));
  }
  writeAll(path(relative), bytes);
  return bytes;
}

QProcessEnvironment CliSandbox::environment() const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", QString::fromStdString(path("config")));
  env.insert("XDG_CACHE_HOME", QString::fromStdString(path("cache")));
  return env;
}

void CliSandbox::start(QProcess* process, const std::vector<std::string>& args) const {
  QStringList arguments;
  for (const std::string& arg : args) arguments << QString::fromStdString(arg);
  process->setProcessEnvironment(environment());
  process->setWorkingDirectory(dir_.path());
  process->start(QStringLiteral(FOLIAN_CLI_PATH), arguments);
}

CliOutcome CliSandbox::run(const std::vector<std::string>& args) const {
  QProcess process;
  start(&process, args);
  CliOutcome outcome;
  if (!process.waitForStarted() || !process.waitForFinished(-1)) return outcome;
  outcome.exitedNormally = process.exitStatus() == QProcess::NormalExit;
  outcome.exitCode = process.exitCode();
  outcome.out = process.readAllStandardOutput().toStdString();
  outcome.err = process.readAllStandardError().toStdString();
  return outcome;
}

CliOutcome CliSandbox::runBytes(const std::vector<std::string>& args) const {
  CliOutcome outcome;
  QTemporaryFile out, err;
  if (!out.open() || !err.open()) return outcome;
  const std::string folder = dir_.path().toStdString();
  const std::string configHome = path("config");
  std::vector<char*> argv = {const_cast<char*>("folian-cli")};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(folder.c_str()) != 0 || dup2(out.handle(), 1) < 0 || dup2(err.handle(), 2) < 0 ||
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1) != 0)
      _exit(126);
    execv(FOLIAN_CLI_PATH, argv.data());
    _exit(127);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return outcome;
  outcome.exitedNormally = WIFEXITED(status);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.out = readAllText(out.fileName().toStdString());
  outcome.err = readAllText(err.fileName().toStdString());
  return outcome;
}

CliOutcome CliSandbox::mustRun(const std::vector<std::string>& args) const {
  CliOutcome outcome = run(args);
  std::string line;
  for (const std::string& arg : args) line += " " + arg;
  EXPECT_TRUE(outcome.exitedNormally && outcome.exitCode == 0)
      << "folian-cli" << line << " ended with " << outcome.exitCode << ": " << outcome.err;
  return outcome;
}

std::vector<std::vector<std::string>> TabRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::vector<std::string> fields;
    size_t from = start;
    for (;;) {
      const size_t tab = text.find('\t', from);
      if (tab == std::string::npos || tab > end) {
        fields.push_back(text.substr(from, end - from));
        break;
      }
      fields.push_back(text.substr(from, tab - from));
      from = tab + 1;
    }
    rows.push_back(fields);
    start = end + 1;
  }
  return rows;
}

std::string UnescapeField(const std::string& field) {
  std::string text;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      text += field[i];
      continue;
    }
    const char next = field[++i];
    text += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return text;
}

std::vector<std::string> Column(const std::vector<std::vector<std::string>>& rows, size_t column) {
  std::vector<std::string> values;
  for (const auto& row : rows) values.push_back(column < row.size() ? row[column] : "<missing>");
  return values;
}

std::vector<std::string> CatTitles(const std::string& listOutput) {
  std::vector<std::string> values;
  for (const auto& row : TabRows(listOutput)) values.push_back(row.size() == 8 ? row[2] + "/" + row[1] : "<bad row>");
  return values;
}

int64_t MemberOffset(const std::string& path, int32_t tag, int index) {
  ZEL_FILE file;
  int64_t offset = -1;
  if (ZEL_Open(path.c_str(), 1, &file) == ZEL_OK && ZEL_FirstMember(&file, tag) == ZEL_OK) {
    int rc = ZEL_OK;
    for (int i = 0; i < index && rc == ZEL_OK; ++i) rc = ZEL_NextMember(&file);
    if (rc == ZEL_OK) offset = file.current.position;
  }
  ZEL_Close(&file);
  return offset;
}

int MemberIndexOfCounter(const std::string& path, const char* key) {
  ZEL_FILE file;
  int found = -1;
  if (ZEL_Open(path.c_str(), 1, &file) == ZEL_OK) {
    int rc = ZEL_FirstMember(&file, kTagIdCounter);
    for (int index = 0; rc == ZEL_OK && found < 0; ++index) {
      FLN_ID_COUNTER counter;
      if (ZEL_GetData(&file, sizeof counter, &counter) == ZEL_OK && std::strncmp(counter.key, key, sizeof counter.key) == 0) found = index;
      rc = ZEL_NextMember(&file);
    }
  }
  ZEL_Close(&file);
  return found;
}

}  // namespace clitest
