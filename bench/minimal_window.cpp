// The yardstick for Talvor's footprint: the smallest Qt Widgets program that
// shows a window, at the size given on the command line. With --menu it is a
// main window with a one-item menu bar instead, to tell what any such window
// costs from what Talvor adds.
//   minimal_window <width> <height> [--menu]
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QWidget>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    std::unique_ptr<QWidget> window;
    if (args.value(3) == u"--menu") {
        auto main = std::make_unique<QMainWindow>();
        main->menuBar()->addMenu(QStringLiteral("&File"));
        window = std::move(main);
    } else {
        window = std::make_unique<QWidget>();
    }
    window->setWindowTitle(QStringLiteral("minimal window"));
    window->resize(args.value(1, QStringLiteral("800")).toInt(), args.value(2, QStringLiteral("430")).toInt());
    window->show();
    return app.exec();
}
