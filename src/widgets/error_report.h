#pragma once

#include "platform/scoped_override.h"

#include <QString>
#include <exception>
#include <functional>
#include <utility>

namespace kelvane::widgets {

// The application title: every window's and message box's name.
inline constexpr const char16_t* kApplicationTitle = u"Kelvane";

// The text the report shows: the error's own text, with a full stop appended when its last
// character sorts above ".".
QString errorReportText(const QString& message);

// Shows an error that escaped an event handler: a message box titled with the application
// title, an error icon and OK. The program goes on.
void showGeneralErrorReport(const QString& message);

// Tests capture the report instead of a modal box.
using ErrorReportSink = std::function<void(const QString& title, const QString& text)>;
class ScopedErrorReportSink : public platform::ScopedOverride<ErrorReportSink> {
public:
    explicit ScopedErrorReportSink(ErrorReportSink sink);
};

// Runs an event handler's body; an error that escapes it ends the handler and goes to the
// general error report, so no exception ever crosses Qt's event loop.
template <typename Body> void guarded(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (const std::exception& error) {
        showGeneralErrorReport(QString::fromUtf8(error.what()));
    } catch (...) {
        showGeneralErrorReport(QStringLiteral("Unknown error"));
    }
}

// Runs a handler whose failure can last (a site list that stays missing): the failure is
// reported once, until the body succeeds again. Closing the report activates the window that
// failed, and the same report must not come back for ever.
class LastingFailureReport {
public:
    template <typename Body> void run(Body&& body) noexcept {
        guarded([&] {
            try {
                std::forward<Body>(body)();
                reported_ = false;
            } catch (const std::exception&) {
                if (reported_)
                    return;
                reported_ = true;
                throw;
            }
        });
    }

private:
    bool reported_ = false;
};

} // namespace kelvane::widgets
