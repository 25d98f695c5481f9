// ReadHistory on files of growing length: the 1000-line file is only read, longer ones are
// also cut to their newest 1000 lines and written back, so each run starts from a fresh copy.
#include "platform/text_codec.h"
#include "store/history.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace Qt::StringLiterals;

QByteArray historyBytes(int lines) {
    QByteArray bytes;
    for (int i = 0; i < lines; ++i)
        bytes += kelvane::platform::toAnsi(
            u"%1/35,980/12,未选/未选,未选/未选,未选/未选,未选/未选,未选/未选,3,0,123456,未选,"
            u"2010/1/26 13:05:09\r\n"_s.arg(1000 + i));
    return bytes;
}

void writeFile(const QByteArray& bytes) {
    QFile file(u"zenvo/data/ab.example.txt"_s);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

void BM_ReadHistory(benchmark::State& state) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    if (!dir.isValid() || !QDir::setCurrent(dir.path()) || !QDir().mkpath(u"zenvo/data"_s))
        std::abort();
    const QByteArray bytes = historyBytes(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        writeFile(bytes);
        state.ResumeTiming();
        auto records = kelvane::store::ReadHistory(u"ab.example"_s);
        benchmark::DoNotOptimize(records);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["lines"] = static_cast<double>(state.range(0));
    QDir::setCurrent(previous);
}

BENCHMARK(BM_ReadHistory)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
