#pragma once
// Running the built folian-cli as a user would, in a temporary folder, and
// reading what it printed.

#include <QProcess>
#include <QTemporaryDir>
#include <cstdint>
#include <string>
#include <vector>

namespace clitest {

struct CliOutcome {
  bool exitedNormally = false;  // false: crashed, killed or did not start
  int exitCode = -1;
  std::string out;
  std::string err;
};

/// A temporary folder for libraries and PDFs. The tool runs inside it with
/// XDG_CONFIG_HOME and XDG_CACHE_HOME pointing into it, so that nothing reaches the user's
/// own configuration.
class CliSandbox {
 public:
  CliSandbox();
  std::string path(const std::string& relative) const;
  /// Writes a PDF ("%PDF-1.4" and bytes made from `seed`) of `size` bytes,
  /// creating its folders; returns its bytes.
  std::vector<uint8_t> writePdf(const std::string& relative, int size, int seed) const;
  void makeFolder(const std::string& relative) const;
  /// The environment the tool runs with.
  QProcessEnvironment environment() const;

  /// Runs folian-cli with `args` in the sandbox folder and waits for it.
  CliOutcome run(const std::vector<std::string>& args) const;
  /// As run, but hands `args` to the tool byte for byte: run passes them
  /// through QString, which turns bytes that are not UTF-8 into U+FFFD.
  CliOutcome runBytes(const std::vector<std::string>& args) const;
  /// Starts folian-cli without waiting (stdout and stderr to pipes).
  void start(QProcess* process, const std::vector<std::string>& args) const;
  /// Runs a command that must succeed (test failure otherwise).
  CliOutcome mustRun(const std::vector<std::string>& args) const;

 private:
  QTemporaryDir dir_;
};

/// The lines of `text`, each split at its tabs.
std::vector<std::vector<std::string>> TabRows(const std::string& text);

/// A field of a tab-separated line read back: a backslash followed by t, n
/// or r becomes a tab, line feed or carriage return, two backslashes one.
std::string UnescapeField(const std::string& field);

/// The value of one column of every row.
std::vector<std::string> Column(const std::vector<std::vector<std::string>>& rows, size_t column);

/// "cat1/title" of every row of a list output, in order.
std::vector<std::string> CatTitles(const std::string& listOutput);

/// Offset of the item record of member `index` of `tag` in the container
/// at `path`; -1 when there is no such member.
int64_t MemberOffset(const std::string& path, int32_t tag, int index);

/// The member of 'IDCO' whose key is `key`; -1 when there is none.
int MemberIndexOfCounter(const std::string& path, const char* key);

}  // namespace clitest
