// The history window's click on a site of 1000 records (grid and chart filled) against a
// plain QTableWidget of the same 13 × 1001 cells filled from the same read, and the click on
// sites of growing length, whose files are trimmed back to 1000 lines each time.
#include "platform/text_codec.h"
#include "store/history.h"
#include "store/history_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

using namespace Qt::StringLiterals;

QByteArray historyBytes(int lines) {
    QByteArray bytes;
    for (int i = 0; i < lines; ++i)
        bytes += kelvane::platform::toAnsi(
            u"%1/35,980/12,未选/未选,%2/7,未选/未选,未选/未选,未选/未选,3,%3,123456,未选,"
            u"2010/1/26 13:05:09\r\n"_s.arg(1000 + i)
                .arg(i % 5 ? QString::number(i) : u"查询失败"_s)
                .arg(i % 100));
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

// A working directory with the site list and one history file per run.
struct Folder {
    Folder() {
        if (!dir.isValid() || !QDir::setCurrent(dir.path()) || !QDir().mkpath(u"zenvo/data"_s))
            std::abort();
        writeFile(u"zenvo/website.txt"_s, "ab.example\r\n");
    }
    QTemporaryDir dir;
};

void selectSite(kelvane::store::TfrmJilu& jilu) {
    auto* list = jilu.findChild<QListWidget*>(u"urlList"_s);
    list->item(0)->setSelected(true);
}

void BM_JiluClick(benchmark::State& state) {
    Folder folder;
    const QByteArray bytes = historyBytes(int(state.range(0)));
    writeFile(u"zenvo/data/ab.example.txt"_s, bytes);
    kelvane::store::TfrmJilu jilu;
    jilu.show();
    QApplication::processEvents();
    selectSite(jilu);
    const bool trims = state.range(0) > kelvane::store::kHistoryRetention;
    const bool paint = state.range(1) != 0;
    for (auto _ : state) {
        if (trims) {
            state.PauseTiming();
            writeFile(u"zenvo/data/ab.example.txt"_s, bytes);
            state.ResumeTiming();
        }
        jilu.urlListListBoxClick();
        if (paint)
            jilu.repaint();
    }
    state.counters["lines"] = double(state.range(0));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

// The peer: the same read, then every cell set on a plain QTableWidget.
void BM_PlainTableWidget(benchmark::State& state) {
    Folder folder;
    writeFile(u"zenvo/data/ab.example.txt"_s, historyBytes(1000));
    QTableWidget table(1001, 13);
    table.resize(561, 467);
    table.show();
    QApplication::processEvents();
    const bool paint = state.range(0) != 0;
    for (auto _ : state) {
        table.clearContents();
        const QList<QStringList> records = kelvane::store::ReadHistory(u"ab.example"_s);
        for (int k = 0; k < records.size(); ++k)
            for (int j = 0; j < records[k].size() && j < 12; ++j)
                table.setItem(k + 1, j + 1, new QTableWidgetItem(records[k][j]));
        if (paint)
            table.repaint();
    }
}

BENCHMARK(BM_JiluClick)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({300000, 0})
    ->Args({1000000, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainTableWidget)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
