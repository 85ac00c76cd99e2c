// orvel-logger: reads the sensor without a display, records, watches and publishes, until
// SIGTERM or SIGINT.
#include "logger/Logger.h"
#include "logger/LoggerOptions.h"
#include "logger/StderrLine.h"
#include "logger/UnixSignals.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace
{

QStringList argumentList(int argc, char **argv)
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}

} // namespace

int main(int argc, char *argv[])
{
    // The desktop program's name, so the default recordings folder is the same.
    QCoreApplication::setApplicationName(u"Orvel On-Line"_s);
    QCoreApplication::setApplicationVersion(QString::fromLatin1(ORVEL_VERSION));
    const QStringList arguments = argumentList(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto parsed = LoggerOptions::parse(arguments, out, err);
    if (const int *exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const LoggerOptions::Options &options = std::get<LoggerOptions::Options>(parsed);

    QCoreApplication app(argc, argv);
    UnixSignals signals_;
    if (!signals_.isReady())
        writeStderrLine(u"Cannot catch SIGTERM and SIGHUP; ending by them loses what is held"_s);

    Logger logger(options);
    QObject::connect(&signals_, &UnixSignals::terminateRequested, &app, [&logger](int) {
        writeStderrLine(u"Ending"_s);
        logger.finish();
        QCoreApplication::exit(0);
    });
    QObject::connect(&signals_, &UnixSignals::hangup, &logger, [&logger, arguments] {
        // The files are opened again by their names; the settings are read again from the
        // config file, the command line still winning.
        logger.reopenFiles();
        QString text;
        QTextStream quiet(&text);
        const auto again = LoggerOptions::parse(arguments, quiet, quiet);
        if (const auto *options = std::get_if<LoggerOptions::Options>(&again)) {
            logger.applySettings(*options);
            writeStderrLine(u"Settings read again"_s);
        } else {
            writeStderrLine(u"Settings kept: "_s + text.trimmed());
        }
    });
    if (!logger.start())
        return 2;
    writeStderrLine(u"Logging "_s + options.portName());
    return QCoreApplication::exec();
}
