#include "recording/RecordingFileOps.h"

#include <cerrno>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

RecordingFileOps::Written RecordingFileOps::write(int fd, QByteArrayView bytes)
{
    Written result;
    while (result.bytes < bytes.size()) {
        const qint64 left = bytes.size() - result.bytes;
#ifdef Q_OS_WIN
        const auto n =
            ::_write(fd, bytes.data() + result.bytes, unsigned(qMin<qint64>(left, 1 << 30)));
#else
        const auto n = ::write(fd, bytes.data() + result.bytes, std::size_t(left));
#endif
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A short write is followed by the call that says why: a nearly full disk takes
            // part of the rows, then fails with ENOSPC.
            result.error = n < 0 ? errno : EIO;
            break;
        }
        result.bytes += n;
    }
    return result;
}

int RecordingFileOps::sync(int fd)
{
#if defined(Q_OS_WIN)
    return ::_commit(fd) == 0 ? 0 : errno;
#else
#if defined(Q_OS_LINUX)
    const int synced = ::fdatasync(fd);
#else
    const int synced = ::fsync(fd);
#endif
    if (synced == 0 || errno == EINVAL || errno == EROFS)
        return 0; // a pipe or a device: nothing to put on a disk
    return errno;
#endif
}

QString RecordingFileOps::reason(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}
