#include "watch/AlarmCommand.h"

#include <QProcess>
#include <QTimer>

AlarmCommand::AlarmCommand(QObject *parent) : QObject(parent) {}

AlarmCommand::~AlarmCommand() = default;

void AlarmCommand::setCommand(const QString &command)
{
    command_ = command;
}

void AlarmCommand::run(const MonitorEvent &) {}

QProcessEnvironment AlarmCommand::environmentFor(const MonitorEvent &,
                                                 const QProcessEnvironment &base)
{
    return base;
}
