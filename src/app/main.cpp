#include "app/Talvorf.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Talvor"));
    Talvorf window;
    window.show();
    return app.exec();
}
