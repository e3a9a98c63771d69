// The yardstick for Talvor's footprint: the smallest Qt Widgets program that
// shows a window, at the size given on the command line.
//   minimal_window <width> <height>
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QWidget window;
    window.setWindowTitle(QStringLiteral("minimal window"));
    window.resize(args.value(1, QStringLiteral("800")).toInt(), args.value(2, QStringLiteral("430")).toInt());
    window.show();
    return app.exec();
}
