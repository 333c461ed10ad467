#pragma once
// The window shown while no library is open: New..., Open... and the
// libraries opened recently. Closing it while no library is open ends the
// application (its controller decides).

#include <QStringList>
#include <QWidget>
#include <memory>

namespace Ui {
class StartWindow;
}

class StartWindow : public QWidget {
  Q_OBJECT

 public:
  explicit StartWindow(QWidget* parent = nullptr);
  ~StartWindow() override;

  /// Lists `paths` (most recent first), each shown by its name with its
  /// folder beneath (RecentLibraryDelegate).
  void setRecentLibraries(const QStringList& paths);
  /// The listed paths, in order.
  QStringList recentLibraries() const;

 signals:
  void newRequested();
  void openRequested();
  void openRecentRequested(const QString& path);
  void quitRequested();
  void helpRequested();
  /// The user closed the window.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  /// Remembers where the window is (RememberStartWindowCorner).
  void hideEvent(QHideEvent* event) override;

 private:
  std::unique_ptr<Ui::StartWindow> _ui;
};
