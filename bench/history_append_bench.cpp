// One history record appended per iteration: the locked append (open, flock, check the file
// still has its name, read its first and last bytes, write all or cut back) against the peer,
// a bare O_APPEND open, write and close of the same bytes. The ratio of the two rates is the
// price of the lock and of the checks.
#include "platform/text_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace Qt::StringLiterals;

const QString kRecord = u"1200/35,980/12,未选/未选,未选/未选,未选/未选,未选/未选,未选/未选,3,0,"
                        u"123456,未选,2010/1/26 13:05:09"_s;

// A fresh empty file in a scratch folder for each benchmark.
class Scratch {
public:
    Scratch() {
        if (!dir_.isValid())
            std::abort();
        path_ = dir_.filePath(u"ab.example.txt"_s);
        QFile file(path_);
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
    }
    const QString& path() const { return path_; }

private:
    QTemporaryDir dir_;
    QString path_;
};

void BM_AppendLocked(benchmark::State& state) {
    Scratch scratch;
    for (auto _ : state)
        kelvane::platform::appendLine(scratch.path(), kRecord);
    state.SetItemsProcessed(state.iterations());
}

void BM_AppendUnlocked(benchmark::State& state) {
    Scratch scratch;
    const QByteArray path = QFile::encodeName(scratch.path());
    const QByteArray bytes = kelvane::platform::encodeText(
        kRecord + u"\r\n"_s, kelvane::platform::TextEncoding::Ansi, false);
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd < 0 || ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) !=
                          static_cast<ssize_t>(bytes.size()))
            std::abort();
        ::close(fd);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_AppendLocked);
BENCHMARK(BM_AppendUnlocked);

} // namespace

BENCHMARK_MAIN();
