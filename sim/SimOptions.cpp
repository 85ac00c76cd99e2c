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
        {u"link"_s, u"Also make a symbolic link PATH to the terminal (removed at exit)."_s,
         u"PATH"_s},
        {u"log"_s, u"Log every received line, with time stamps, to FILE."_s, u"FILE"_s},
        {u"rate"_s, u"Live records per second (default: back to back at the line's rate)."_s,
         u"N"_s},
        {u"unpaced"_s, u"Send at once instead of at the 9600 baud byte rate."_s},
        {u"silent"_s, u"Never answer, never stream."_s},
        {u"refuse"_s, u"Answer ERROR to every command."_s},
        {u"reply-delay"_s, u"Wait MS milliseconds before each reply."_s, u"MS"_s},
        {u"chunk"_s, u"Send replies and records in pieces of N bytes."_s, u"N"_s},
        {u"chunk-pause"_s, u"Pause MS milliseconds between pieces."_s, u"MS"_s},
        {u"batch"_s,
         u"Paced output reaches the line every MS milliseconds, as through a USB adapter."_s,
         u"MS"_s},
        {u"garbage"_s, u"Mix garbage bytes and broken lines into the live stream."_s},
        {u"garbage-bytes"_s, u"Send N random bytes (no CR or LF) after answering !START."_s,
         u"N"_s},
        {u"hangup-after"_s, u"Hang up SEC seconds after the first !START, then exit."_s, u"SEC"_s},
        {u"hangup-at"_s, u"Hang up SEC seconds after starting, then exit."_s, u"SEC"_s},
        {u"seed"_s, u"Seed of the random values (default 1)."_s, u"N"_s},
        {u"stamp"_s,
         u"Stream records whose elevation is the time they are due (monotonic ms modulo a "_s
         u"minute, in tenths), for measuring delays."_s},
        {u"record"_s, u"Stream this record (without CR LF) instead of varying ones."_s, u"TEXT"_s},
        {u"set"_s, u"Start with a stored value, e.g. RANGE=HALF (repeatable)."_s, u"NAME=VALUE"_s},
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
