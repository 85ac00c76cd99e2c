#pragma once

#include "sim/DeviceModel.h"
#include "sim/RecordGenerator.h"
#include "sim/SimLog.h"
#include "sim/SimOptions.h"

#include <QObject>

#include <deque>

class OutputPacer;
class PtyEndpoint;
class QTimer;

// The device behind the pseudo-terminal: reads command lines, answers them, streams live
// records between "!START" and "!STOP", and plays the faults the options ask for.
class Simulator final : public QObject
{
    Q_OBJECT

public:
    explicit Simulator(SimOptions options, QObject *parent = nullptr);
    ~Simulator() override;

    bool start(QString *error);
    QString terminalPath() const;

signals:
    // The device hung up; the simulator has nothing left to do.
    void finished();

private:
    void onReceived(const QByteArray &bytes);
    void onCommand(const QByteArray &command);
    void deliver(const DeviceModel::Outcome &outcome);
    void startStreaming();
    void stopStreaming();
    void queueRecord();
    void hangUp();
    void removeLink();
    qint64 recordsSent();

    SimOptions options_;
    SimLog log_;
    DeviceModel model_;
    RecordGenerator records_;
    PtyEndpoint *line_;
    OutputPacer *pacer_;
    QTimer *recordTimer_;
    QTimer *hangupTimer_;
    QByteArray incoming_;
    bool streaming_ = false;
    bool startSeen_ = false;
    bool linkMade_ = false;
    int recordCount_ = 0;
    // Where each record still on its way ends, in bytes handed to the pacer since it was made.
    std::deque<qint64> recordEnds_;
    qint64 recordsSent_ = 0;
};
