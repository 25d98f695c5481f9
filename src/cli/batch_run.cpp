#include "cli/batch_run.h"

#include "cli/command.h"
#include "platform/console.h"

#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kelvane::cli {

namespace {

int severity(int status) {
    switch (status) {
    case kExitOk:
        return 0;
    case kExitIncomplete:
        return 1;
    default:
        return 2;
    }
}

QString minutes(qint64 ms) {
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

std::optional<int> parseJobs(const QString& text, QString& error) {
    bool ok = false;
    const int jobs = text.toInt(&ok);
    if (!ok || jobs < 1 || jobs > kMaxJobs) {
        error =
            QStringLiteral("'%1' is not a number of jobs; write 1 to %2").arg(text).arg(kMaxJobs);
        return std::nullopt;
    }
    return jobs;
}

int worseStatus(int a, int b) {
    return severity(b) > severity(a) ? b : a;
}

QString batchProgressLine(int done, int total, int failed, qint64 elapsedMs) {
    QString line = QStringLiteral("%1/%2 done, %3 failed, %4 elapsed")
                       .arg(done)
                       .arg(total)
                       .arg(failed)
                       .arg(minutes(elapsedMs));
    if (done > 0 && done < total)
        line += QStringLiteral(", about %1 left").arg(minutes(elapsedMs * (total - done) / done));
    return line;
}

int runBatch(int count, const BatchOptions& options, query::Pacer& pacer,
             const std::function<BatchItemResult(int index)>& item) {
    std::vector<std::optional<BatchItemResult>> results(static_cast<size_t>(count));
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<int> next{0};
    int completed = 0;
    int failed = 0;

    const auto work = [&] {
        const query::ScopedPacer paced(&pacer);
        for (int index = next++; index < count; index = next++) {
            BatchItemResult result;
            try {
                result = item(index);
            } catch (const std::exception& error) {
                // One item's failure must not end the others.
                result = {kExitFailure, {}, QString::fromUtf8(error.what()) + u'\n'};
            }
            std::lock_guard lock(mutex);
            ++completed;
            if (result.status != kExitOk)
                ++failed;
            results[static_cast<size_t>(index)] = std::move(result);
            finished.notify_one();
        }
    };
    const int threads = std::clamp(options.jobs, 1, std::max(count, 1));
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i)
        workers.emplace_back(work);

    QElapsedTimer clock;
    clock.start();
    int status = kExitOk;
    int printed = 0;
    bool progressShown = false;
    const auto showProgress = [&] {
        int done = 0;
        int failedSoFar = 0;
        {
            std::lock_guard lock(mutex);
            done = completed;
            failedSoFar = failed;
        }
        platform::writeErr(u'\r' + batchProgressLine(done, count, failedSoFar, clock.elapsed()) +
                           QStringLiteral("\x1b[K"));
        progressShown = true;
    };
    while (printed < count) {
        BatchItemResult result;
        {
            std::unique_lock lock(mutex);
            // Woken now and then so the elapsed time moves while a slow item runs.
            finished.wait_for(lock, std::chrono::seconds(1),
                              [&] { return results[static_cast<size_t>(printed)].has_value(); });
            if (!results[static_cast<size_t>(printed)]) {
                lock.unlock();
                if (options.progress)
                    showProgress();
                continue;
            }
            result = std::move(*results[static_cast<size_t>(printed)]);
            results[static_cast<size_t>(printed)].reset();
        }
        ++printed;
        status = worseStatus(status, result.status);
        if (options.progress && progressShown)
            platform::writeErr(QStringLiteral("\r\x1b[K"));
        platform::writeOut(result.out);
        if (!result.err.isEmpty())
            platform::writeErr(result.err);
        if (options.progress)
            showProgress();
    }
    if (options.progress && progressShown)
        platform::writeErr(QStringLiteral("\n"));
    for (std::thread& worker : workers)
        worker.join();
    return status;
}

} // namespace kelvane::cli
