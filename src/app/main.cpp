#include "app/ConvertCommand.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vordana"));
    const QStringList arguments = QCoreApplication::arguments().mid(1);

    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--convert")) {
        QString error;
        const auto options = parseConvertArguments(arguments.mid(1), &error);
        if (!options) {
            std::fprintf(stderr, "vordana: %s\n%s", error.toUtf8().constData(),
                         convertUsage().toUtf8().constData());
            return kBadUsage;
        }
        return runConvert(*options, stdout, stderr);
    }
    if (!arguments.isEmpty() && (arguments.first() == QLatin1String("--help") ||
                                 arguments.first() == QLatin1String("-h"))) {
        std::fputs(convertUsage().toUtf8().constData(), stdout);
        return 0;
    }
    std::fputs(convertUsage().toUtf8().constData(), stderr);
    return kBadUsage;
}
