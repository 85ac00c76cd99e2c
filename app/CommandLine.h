#pragma once

#include <QString>
#include <QStringList>
#include <variant>

class QTextStream;

// The program's command line: orvel [--record-dir DIR] [--no-record] [FILE].
namespace CommandLine
{

struct Options {
    // Where recordings go instead of the user's data folder; empty for the default.
    QString recordDir;
    bool noRecord = false;
    // A recording or export to open in the chart at start-up; empty for none.
    QString file;
};

// Reads the arguments (the program's name first). --help and --version print to `out` and give
// exit code 0; a mistake prints the parser's message and a hint to `err` and gives exit code 1.
// Qt's own options (-platform, -style, ...) are let through for QApplication. Needs the
// application's name and version set, but no QApplication.
std::variant<Options, int> parse(const QStringList &arguments, QTextStream &out, QTextStream &err);

// The process's arguments, for parsing before QApplication exists.
QStringList arguments(int argc, char **argv);

} // namespace CommandLine
