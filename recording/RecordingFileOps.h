#pragma once

#include <QByteArrayView>
#include <QString>

// The system calls the recording writer makes on its open file, behind a seam so that a test can
// make them fail as a full or failing disk does. Errors are the system's error numbers.
class RecordingFileOps
{
public:
    struct Written {
        qint64 bytes = 0; // how many of the bytes the file took
        int error = 0;    // why it took fewer (0 when it took them all)
    };

    virtual ~RecordingFileOps() = default;

    // Writes all of bytes to the descriptor, as many calls as it takes.
    virtual Written write(int fd, QByteArrayView bytes);
    // Puts what was written on the disk itself: 0, or the error. A file that cannot be synced
    // (a pipe, a device) is not an error.
    virtual int sync(int fd);

    // The system's reason for an error number ("No space left on device").
    static QString reason(int error);
};
