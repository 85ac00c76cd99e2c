#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks of the simulator; see --help.
struct SimOptions {
    bool help = false; // the help text is in helpText
    QString helpText;
    QString linkPath;
    QString logPath;
    double rate = 0; // records per second; 0: back to back at the line's rate
    bool unpaced = false;
    bool silent = false;
    bool refuse = false;
    bool garbage = false;
    int garbageBytes = 0;
    int replyDelayMs = 0;
    int chunk = 0; // 0: not cut into pieces
    int chunkPauseMs = 0;
    int batchMs = 0;              // 0: paced byte by byte
    double hangupAfterStart = -1; // seconds after the first "!START"; < 0: never
    double hangupAt = -1;         // seconds after the simulator started; < 0: never
    quint32 seed = 1;
    // Each record's elevation is the time its last byte is due on the line (the monotonic clock's
    // milliseconds modulo a minute, in tenths), so a reader can tell each record's age.
    bool stamp = false;
    QByteArray record;                             // streamed as is instead of varying records
    QList<QPair<QByteArray, QByteArray>> settings; // initial NAME=VALUE
};

// The options from a full argument list (program name first); nothing, and a reason, when
// they cannot be read.
std::optional<SimOptions> parseSimOptions(const QStringList &arguments, QString *error);
