// A file manager's part in a drag and drop, for the end-to-end roads: a small
// window titled "drag source" that, when the mouse is pressed on it, drags the
// URIs given as arguments (a text/uri-list), offering to copy or to move them.
// While the drag is on its way it prints "over <action>" each time the window
// under the mouse changes its answer, and at the end "took <action>": what the
// target took, "copy", "move" or "none".
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

class Source final : public QWidget {
 public:
  explicit Source(QList<QUrl> urls) : urls_(std::move(urls)) {}

 protected:
  void mousePressEvent(QMouseEvent*) override {
    auto* data = new QMimeData;
    data->setUrls(urls_);
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    connect(drag, &QDrag::actionChanged, this, [](Qt::DropAction action) { Say("over", action); });
    Say("took", drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction));
  }

  static void Say(const char* what, Qt::DropAction action) {
    std::printf("%s %s\n", what, action == Qt::CopyAction ? "copy" : action == Qt::MoveAction ? "move" : "none");
    std::fflush(stdout);
  }

 private:
  QList<QUrl> urls_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QList<QUrl> urls;
  for (int i = 1; i < argc; ++i) urls.append(QUrl(QString::fromLocal8Bit(argv[i])));
  Source source(urls);
  source.setWindowTitle("drag source");
  source.resize(60, 60);
  source.show();
  return app.exec();
}
