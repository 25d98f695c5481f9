#include "platform/locked_file.h"

#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvane::platform {

namespace {

// More would mean the file is replaced faster than a writer can take its lock.
constexpr int kReopenAttempts = 1000;

std::function<void()>& beforeReplaceHook() {
    static std::function<void()> hook;
    return hook;
}

[[noreturn]] void fail(const QString& what, const QString& path, int error) {
    throw EFileError(QStringLiteral("%1 \"%2\": %3")
                         .arg(what, QDir::toNativeSeparators(path),
                              QString::fromLocal8Bit(std::strerror(error))));
}

QByteArray nativePath(const QString& path) {
    return QFile::encodeName(path);
}

bool sameFile(int fd, const QByteArray& path) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::stat(path.constData(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

void lockExclusive(int fd, const QString& path) {
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR)
            fail(QStringLiteral("Cannot lock file"), path, errno);
    }
}

// Every byte, or false with errno set; a write that makes no progress counts as failed.
bool writeAll(int fd, QByteArrayView bytes) {
    const char* next = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        next += written;
        left -= written;
    }
    return true;
}

void syncFolderOf(const QString& path) {
    const QByteArray folder = nativePath(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail(QStringLiteral("Cannot sync folder of"), path, errno);
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!synced)
        fail(QStringLiteral("Cannot sync folder of"), path, error);
}

} // namespace

QString replacementPath(const QString& path) {
    return path + QStringLiteral(".new");
}

LockedFile::LockedFile(const QString& path, Open open) : path_(path) {
    const QByteArray native = nativePath(path);
    const int flags = O_CLOEXEC | (open == Open::ToAppend    ? O_RDWR | O_APPEND
                                   : open == Open::ToReplace ? O_RDONLY | O_CREAT
                                                             : O_RDONLY);
    for (int attempt = 0; attempt < kReopenAttempts; ++attempt) {
        const int fd = ::open(native.constData(), flags, 0666);
        if (fd < 0)
            fail(QStringLiteral("Cannot open file"), path, errno);
        try {
            lockExclusive(fd, path);
        } catch (...) {
            ::close(fd);
            throw;
        }
        if (sameFile(fd, native)) {
            fd_ = fd;
            // Left by a writer killed before its rename; no replacement runs while we hold
            // the lock.
            ::unlink(nativePath(replacementPath(path)).constData());
            return;
        }
        ::close(fd);
    }
    fail(QStringLiteral("Cannot lock file"), path, EBUSY);
}

LockedFile::~LockedFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

qint64 LockedFile::size() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0)
        fail(QStringLiteral("Cannot read file"), path_, errno);
    return info.st_size;
}

QByteArray LockedFile::readAt(qint64 offset, qint64 maxBytes) const {
    QByteArray bytes(static_cast<qsizetype>(maxBytes), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n =
            ::pread(fd_, bytes.data() + got, static_cast<size_t>(bytes.size() - got), offset + got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(QStringLiteral("Cannot read file"), path_, errno);
        if (n == 0)
            break;
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}

void LockedFile::append(QByteArrayView bytes) {
    const qint64 before = size();
    if (writeAll(fd_, bytes))
        return;
    const int error = errno;
    // Under the lock no other writer has added anything since `before`.
    while (::ftruncate(fd_, before) != 0 && errno == EINTR) {
    }
    fail(QStringLiteral("Cannot write file"), path_, error);
}

void LockedFile::replace(const std::function<void(const Writer&)>& produce) {
    const QString temporary = replacementPath(path_);
    const QByteArray nativeTemporary = nativePath(temporary);
    const int out = ::open(nativeTemporary.constData(),
                           O_RDWR | O_APPEND | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0)
        fail(QStringLiteral("Cannot create file"), temporary, errno);
    bool renamed = false;
    try {
        struct stat info {};
        if (::fstat(fd_, &info) == 0)
            ::fchmod(out, info.st_mode & 07777);
        produce([&](QByteArrayView bytes) {
            if (!writeAll(out, bytes))
                fail(QStringLiteral("Cannot write file"), temporary, errno);
        });
        if (::fsync(out) != 0)
            fail(QStringLiteral("Cannot write file"), temporary, errno);
        if (const auto& hook = beforeReplaceHook())
            hook();
        // Locked before it gets the name, so a writer that opens the name after the rename
        // queues behind this one.
        lockExclusive(out, path_);
        if (::rename(nativeTemporary.constData(), nativePath(path_).constData()) != 0)
            fail(QStringLiteral("Cannot replace file"), path_, errno);
        renamed = true;
        syncFolderOf(path_);
    } catch (...) {
        if (!renamed)
            ::unlink(nativeTemporary.constData());
        ::close(out);
        throw;
    }
    // Writers waiting on the old file find it renamed away and reopen the new one.
    const int old = fd_;
    fd_ = out;
    ::close(old);
}

void setBeforeReplaceHookForTesting(std::function<void()> hook) {
    beforeReplaceHook() = std::move(hook);
}

} // namespace kelvane::platform
