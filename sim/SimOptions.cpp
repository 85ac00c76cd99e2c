#include "sim/SimOptions.h"

#include <QCommandLineParser>

using namespace Qt::StringLiterals;

namespace
{

bool readInt(const QCommandLineParser &parser, const QString &name, int *out, QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < 0) {
        *error = QStringLiteral("--%1 wants a whole number of 0 or more").arg(name);
        return false;
    }
    *out = value;
    return true;
}

bool readSeconds(const QCommandLineParser &parser, const QString &name, double *out, QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok || value < 0) {
        *error = QStringLiteral("--%1 wants a number of 0 or more").arg(name);
        return false;
    }
    *out = value;
    return true;
}

} // namespace

std::optional<SimOptions> parseSimOptions(const QStringList &arguments, QString *error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Plays a Dravelin inclination sensor on a pseudo-terminal. Prints the terminal's path "
        u"on the first line of standard output."_s);
    parser.addHelpOption();
    parser.addOptions({
        {"link", "Also make a symbolic link PATH to the terminal (removed at exit).", "PATH"},
        {"log", "Log every received line, with time stamps, to FILE.", "FILE"},
        {"rate", "Live records per second (default: back to back at the line's rate).", "N"},
        {"unpaced", "Send at once instead of at the 9600 baud byte rate."},
        {"silent", "Never answer, never stream."},
        {"refuse", "Answer ERROR to every command."},
        {"reply-delay", "Wait MS milliseconds before each reply.", "MS"},
        {"chunk", "Send replies and records in pieces of N bytes.", "N"},
        {"chunk-pause", "Pause MS milliseconds between pieces.", "MS"},
        {"batch", "Paced output reaches the line every MS milliseconds, as through a USB adapter.",
         "MS"},
        {"garbage", "Mix garbage bytes and broken lines into the live stream."},
        {"garbage-bytes", "Send N random bytes (no CR or LF) after answering !START.", "N"},
        {"hangup-after", "Hang up SEC seconds after the first !START, then exit.", "SEC"},
        {"hangup-at", "Hang up SEC seconds after starting, then exit.", "SEC"},
        {"seed", "Seed of the random values (default 1).", "N"},
        {"stamp", "Stream records whose elevation is the time they are due (monotonic ms modulo a "
                  "minute, in tenths), for measuring delays."},
        {"record", "Stream this record (without CR LF) instead of varying ones.", "TEXT"},
        {"set", "Start with a stored value, e.g. RANGE=HALF (repeatable).", "NAME=VALUE"},
    });

    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(u"help"_s)) {
        SimOptions help;
        help.help = true;
        help.helpText = parser.helpText();
        return help;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first());
        return std::nullopt;
    }

    SimOptions options;
    options.linkPath = parser.value(u"link"_s);
    options.logPath = parser.value(u"log"_s);
    options.unpaced = parser.isSet(u"unpaced"_s);
    options.silent = parser.isSet(u"silent"_s);
    options.refuse = parser.isSet(u"refuse"_s);
    options.garbage = parser.isSet(u"garbage"_s);
    options.stamp = parser.isSet(u"stamp"_s);
    options.record = parser.value(u"record"_s).toLatin1();

    int seed = int(options.seed);
    if (!readSeconds(parser, u"rate"_s, &options.rate, error) ||
        !readInt(parser, u"reply-delay"_s, &options.replyDelayMs, error) ||
        !readInt(parser, u"chunk"_s, &options.chunk, error) ||
        !readInt(parser, u"chunk-pause"_s, &options.chunkPauseMs, error) ||
        !readInt(parser, u"batch"_s, &options.batchMs, error) ||
        !readInt(parser, u"garbage-bytes"_s, &options.garbageBytes, error) ||
        !readSeconds(parser, u"hangup-after"_s, &options.hangupAfterStart, error) ||
        !readSeconds(parser, u"hangup-at"_s, &options.hangupAt, error) ||
        !readInt(parser, u"seed"_s, &seed, error))
        return std::nullopt;
    options.seed = quint32(seed);

    const QStringList settings = parser.values(u"set"_s);
    for (const QString &setting : settings) {
        const qsizetype equals = setting.indexOf(u'=');
        if (equals <= 0) {
            *error = QStringLiteral("--set wants NAME=VALUE, not %1").arg(setting);
            return std::nullopt;
        }
        options.settings.append(
            {setting.left(equals).toLatin1(), setting.mid(equals + 1).toLatin1()});
    }
    return options;
}
