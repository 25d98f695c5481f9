#include "widgets/error_report.h"

#include <QMessageBox>

namespace kelvane::widgets {

namespace {

void showMessageBox(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
    box.exec();
}

ErrorReportSink& currentSink() {
    static ErrorReportSink sink = showMessageBox;
    return sink;
}

} // namespace

QString errorReportText(const QString& message) {
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

void showGeneralErrorReport(const QString& message) {
    try {
        currentSink()(QString::fromUtf16(kApplicationTitle), errorReportText(message));
    } catch (...) {
        // The report itself must never take the program down.
    }
}

ScopedErrorReportSink::ScopedErrorReportSink(ErrorReportSink sink)
    : ScopedOverride(currentSink(), std::move(sink)) {}

} // namespace kelvane::widgets
