// veltrana-standin: the outside web on 127.0.0.1, for tests run from scripts and for the demo.

#include "StandIn.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veltrana-standin"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plays the search engines and the maker's site on 127.0.0.1."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on (0 = any free port)."), QStringLiteral("N"),
                                        QStringLiteral("0"));
    const QCommandLineOption endpointsOption(QStringLiteral("write-endpoints"),
                                             QStringLiteral("Write an endpoints.ini pointing at this server."),
                                             QStringLiteral("FILE"));
    const QCommandLineOption versionOption(QStringLiteral("version"),
                                           QStringLiteral("Version the maker's site publishes (default 1.0)."),
                                           QStringLiteral("V"));
    const QCommandLineOption neverFillOption(QStringLiteral("tool-never-fills"),
                                             QStringLiteral("The keyword tool's results area never fills."));
    parser.addOptions({portOption, endpointsOption, versionOption, neverFillOption});
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        std::fprintf(stderr, "veltrana-standin: bad port '%s'\n", qPrintable(parser.value(portOption)));
        return 2;
    }

    standin::StandIn standIn;
    if (parser.isSet(versionOption))
        standIn.setPublishedVersion(parser.value(versionOption));
    standIn.setToolNeverFills(parser.isSet(neverFillOption));
    if (!standIn.listen(quint16(port))) {
        std::fprintf(stderr, "veltrana-standin: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    if (parser.isSet(endpointsOption) && !standIn.writeEndpoints(parser.value(endpointsOption))) {
        std::fprintf(stderr, "veltrana-standin: cannot write %s\n", qPrintable(parser.value(endpointsOption)));
        return 1;
    }
    std::printf("listening on %s\n", qPrintable(standIn.baseUrl()));
    std::fflush(stdout);
    return app.exec();
}
