// A loopback stand-in for a satellite modem's status page, for the demo and
// the tests. It never listens on anything but 127.0.0.1.
#include "ModemSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("modem-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Serves a modem status page on 127.0.0.1."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on; 0 picks a free one."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption readingOption(QStringLiteral("reading"), QStringLiteral("Serve this reading every time."),
                                           QStringLiteral("value"));
    parser.addOption(portOption);
    parser.addOption(readingOption);
    const QCommandLineOption fileOption(QStringLiteral("reading-file"),
                                        QStringLiteral("Serve the number in this file, read at every request."),
                                        QStringLiteral("path"));
    parser.addOption(fileOption);
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        std::fprintf(stderr, "modem-sim: bad port %s\n", qPrintable(parser.value(portOption)));
        return 2;
    }
    ModemSimulator modem;
    if (parser.isSet(readingOption)) {
        const int reading = parser.value(readingOption).toInt(&ok);
        if (!ok) {
            std::fprintf(stderr, "modem-sim: bad reading %s\n", qPrintable(parser.value(readingOption)));
            return 2;
        }
        modem.setFixedReading(reading);
    }
    modem.setReadingFile(parser.value(fileOption));
    if (!modem.listen(quint16(port))) {
        std::fprintf(stderr, "modem-sim: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    std::printf("modem-sim listening on 127.0.0.1 port %u\n", modem.port());
    std::fflush(stdout);
    return app.exec();
}
