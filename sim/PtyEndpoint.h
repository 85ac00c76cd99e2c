#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;

// The device's end of the line: the master side of a pseudo-terminal whose terminal (the
// slave) the program opens as its serial port.
//
// While no one has the terminal open the master reads as end of file at once, so it is then
// not watched but looked at every few milliseconds until someone opens it. What is sent while
// no one has it open is lost, as on a real line.
class PtyEndpoint final : public QObject
{
    Q_OBJECT

public:
    explicit PtyEndpoint(QObject *parent = nullptr);
    ~PtyEndpoint() override;

    // Creates the pseudo-terminal in raw mode without echo; false and a reason on failure.
    bool open(QString *error);
    QString terminalPath() const { return terminalPath_; }

    // Whether someone has the terminal open.
    bool peerPresent() const;
    bool isOpen() const { return master_ >= 0; }

    // Takes what the line can take now: returns the number of bytes consumed (all of them when
    // no one listens), or 0 when the terminal's buffer is full.
    qsizetype write(const QByteArray &bytes);

    // Closes the device's side, as a pulled adapter does.
    void hangUp();

signals:
    void received(const QByteArray &bytes);
    void peerOpened();
    void peerClosed();

private:
    void onReadable();
    // Reads everything waiting; false when the terminal is no longer open.
    bool readWaiting();
    void onPresencePoll();

    int master_ = -1;
    QString terminalPath_;
    QSocketNotifier *reader_ = nullptr;
    QTimer *presencePoll_ = nullptr;
};
