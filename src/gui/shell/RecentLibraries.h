#pragma once
// The libraries opened recently, most recent first, kept per user in
// "recent.ini" beside the preference file (~/.config/FOLIAN).

#include <QString>
#include <QStringList>

class RecentLibraries {
 public:
  /// How many are kept.
  static constexpr int kMaxCount = 10;

  /// The remembered paths that still name a file, most recent first.
  static QStringList load();
  /// Puts `path` (absolute) first, dropping an older mention and the oldest
  /// beyond kMaxCount.
  static void add(const QString& path);
  /// Forgets `path`.
  static void remove(const QString& path);
};
