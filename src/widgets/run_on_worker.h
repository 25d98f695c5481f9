#pragma once

#include "platform/cancel_token.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

namespace kelvane::widgets {

// Queues a call onto the context's thread, behind every call queued before it; it never runs
// once the context is gone. Callable from any thread while the context lives.
template <typename Call> void postTo(QObject* context, Call&& call) {
    QMetaObject::invokeMethod(
        context,
        [guard = QPointer<QObject>(context), call = std::forward<Call>(call)]() mutable {
            if (guard)
                call();
        },
        Qt::QueuedConnection);
}

// A window's long run on a thread of its own, so the window keeps processing events. The
// window's pacer goes along, and a stop token of the run's own that every socket wait of the
// task watches; the end of the run reaches the window on its thread, after every write the run
// queued. Destroying the runner stops the task and waits for it, whose queued calls are then
// dropped with the context: declare it after what the task reads.
class WorkerRun {
public:
    explicit WorkerRun(QObject* context) : context_(context) {}
    ~WorkerRun();
    WorkerRun(const WorkerRun&) = delete;
    WorkerRun& operator=(const WorkerRun&) = delete;

    // Starts the task. An error that escapes it goes to the general error report on the
    // context's thread, as one escaping a handler does; then finished runs there. One task at
    // a time: the caller keeps its start disabled until finished has run.
    void start(std::function<void()> task, std::function<void()> finished);

    // start() for a question with an answer: answered gets it on the context's thread when the
    // question returned one (not when it failed), then finished runs.
    template <typename Answer>
    void ask(std::function<Answer()> question, std::function<void(const Answer&)> answered,
             std::function<void()> finished) {
        auto answer = std::make_shared<std::optional<Answer>>();
        start([answer, question = std::move(question)] { *answer = question(); },
              [answer, answered = std::move(answered), finished = std::move(finished)] {
                  if (*answer)
                      answered(**answer);
                  finished();
              });
    }

    // From start() until finished has begun, on the context's thread.
    bool isRunning() const { return running_; }

    // Ends the exchange in flight at once (platform::EStopped) and every later one before it
    // sends anything; the task still runs to its end. Nothing when no task runs.
    void stop();

    // Blocks until the task has ended; its finish is still queued.
    void wait();

private:
    QObject* context_;
    std::shared_ptr<platform::CancelToken> token_;
    std::thread thread_;
    bool running_ = false;
};

} // namespace kelvane::widgets
