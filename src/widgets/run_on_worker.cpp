#include "widgets/run_on_worker.h"

#include "query/pacing.h"
#include "widgets/error_report.h"

#include <exception>

namespace kelvane::widgets {

WorkerRun::~WorkerRun() {
    stop();
    wait();
}

void WorkerRun::start(std::function<void()> task, std::function<void()> finished) {
    wait();
    query::Pacer* pacer = query::currentPacer();
    token_ = std::make_shared<platform::CancelToken>();
    running_ = true;
    thread_ = std::thread([this, pacer, token = token_, task = std::move(task),
                           finished = std::move(finished)]() mutable {
        std::exception_ptr error;
        try {
            const query::ScopedPacer paced(pacer);
            const platform::ScopedCancelToken stoppable(token.get());
            task();
        } catch (...) {
            error = std::current_exception();
        }
        postTo(context_, [this, finished = std::move(finished), error] {
            running_ = false;
            guarded([&error] {
                if (error)
                    std::rethrow_exception(error);
            });
            finished();
        });
    });
}

void WorkerRun::stop() {
    if (token_)
        token_->cancel();
}

void WorkerRun::wait() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace kelvane::widgets
