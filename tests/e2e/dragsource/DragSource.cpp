// A drag source for the end-to-end tests, standing in for a file manager:
// a window titled "drag source" that, when the first mouse button is
// pressed on it, starts a drag of the files named on its command line (as
// file URLs, offered for copying) through the window system's drag and drop
// (XDND on X11). It prints "copied" or "ignored" as the drop ended and quits.

#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

class DragSource : public QWidget {
 public:
  explicit DragSource(QList<QUrl> urls) : _urls(std::move(urls)) {
    setWindowTitle(QStringLiteral("drag source"));
    resize(200, 200);
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setUrls(_urls);
    drag->setMimeData(mime);
    const Qt::DropAction result = drag->exec(Qt::CopyAction);
    std::printf("%s\n", result == Qt::CopyAction ? "copied" : "ignored");
    std::fflush(stdout);
    QApplication::quit();
  }

 private:
  QList<QUrl> _urls;
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QList<QUrl> urls;
  for (const QString& path : QApplication::arguments().mid(1))
    urls << QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
  DragSource window(urls);
  window.move(0, 0);
  window.show();
  return QApplication::exec();
}
