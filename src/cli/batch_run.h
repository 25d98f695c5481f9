#pragma once

#include "query/pacing.h"

#include <QString>
#include <functional>
#include <optional>

namespace kelvane::cli {

// What one item of a batch leaves for the console: printed in the items' order, whatever order
// they finish in.
struct BatchItemResult {
    int status = 0;
    QString out;
    QString err;
};

inline constexpr int kMaxJobs = 64;

// The value of --jobs: 1 to kMaxJobs; otherwise none, and the error text.
std::optional<int> parseJobs(const QString& text, QString& error);

// The worse of two exit statuses: a failure (1) over an incomplete run (3) over done (0).
int worseStatus(int a, int b);

// "12/30 done, 2 failed, 0:45 elapsed, about 1:08 left": the estimate from the mean time per
// item so far, shown once one is done.
QString batchProgressLine(int done, int total, int failed, qint64 elapsedMs);

struct BatchOptions {
    int jobs = 1;
    // The progress line on standard error, rewritten in place.
    bool progress = false;
};

// Runs item(0) .. item(count - 1) on up to jobs threads at once, each thread's requests paced
// by the one pacer, and prints every result in item order as soon as those before it are
// printed. Returns the worst status of the items (0 with none).
int runBatch(int count, const BatchOptions& options, query::Pacer& pacer,
             const std::function<BatchItemResult(int index)>& item);

} // namespace kelvane::cli
