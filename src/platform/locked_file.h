#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

namespace kelvane::platform {

// A file held under an exclusive advisory lock (flock) for as long as the object lives. Every
// writer of a product file takes it, so appends, trims and saves from any number of
// processes run one after another and none of them loses or tears another's bytes.
class LockedFile {
public:
    // To read an existing file (and maybe replace it), to append to an existing one, or to
    // replace a file that need not exist yet.
    enum class Open { ToRead, ToAppend, ToReplace };

    // Opens and locks the file. When a trim or save renamed a new file over the path while
    // this one waited for the lock, the new file is opened and locked instead, so nothing is
    // ever written to a file that no longer has a name. Throws EFileError.
    LockedFile(const QString& path, Open open);
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    qint64 size() const;
    // At most maxBytes from offset on; fewer at the end of the file. Throws EFileError.
    QByteArray readAt(qint64 offset, qint64 maxBytes) const;

    // Opened ToAppend only. Appends every byte or none: a failed or short write cuts the file back
    // to its size before the append, then throws EFileError.
    void append(QByteArrayView bytes);

    // Replaces the content with what `produce` passes to its writer: written to a temporary
    // file beside this one, synced, renamed over it, then the folder is synced. The lock is
    // held throughout; afterwards the object reads the new file. Throws EFileError and leaves
    // the old file as it was.
    using Writer = std::function<void(QByteArrayView)>;
    void replace(const std::function<void(const Writer&)>& produce);

private:
    QString path_;
    int fd_ = -1;
};

// The temporary file a replacement of `path` writes before its rename. A process killed
// between the two leaves it; the next writer of the same file removes it.
QString replacementPath(const QString& path);

// Test seam: runs after the temporary file of a replacement holds every byte and before it is
// renamed, so a test can stop the process at the worst moment.
void setBeforeReplaceHookForTesting(std::function<void()> hook);

} // namespace kelvane::platform
