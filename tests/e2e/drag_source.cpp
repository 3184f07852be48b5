// A file manager's part in a drag and drop, for the end-to-end roads: a small
// window titled "drag source" that, when the mouse is pressed on it, drags the
// URIs given as arguments (a text/uri-list), offering to copy or to move them.
// While the drag is on its way it prints "over <action>" each time the window
// under the mouse changes its answer, and at the end "took <action>": what the
// target took, "copy", "move" or "none". It then ends by itself, once the
// target has said it finished with a drop (or after 10 s), so that nothing it
// sent is lost and the target can still ask for the drop's data.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QTimer>
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
    // The toolkit lets a dropped drag go when the target reports it finished.
    connect(drag, &QObject::destroyed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    const Qt::DropAction took = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    Say("took", took);
    QTimer::singleShot(took == Qt::IgnoreAction ? 0 : 10000, qApp, &QCoreApplication::quit);
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
