#pragma once

#include "widgets/run_on_worker.h"

#include <QWidget>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace kelvane::lookup {

// The whois window: a domain in, the registration record out.
class TfrmWhois : public QWidget {
    Q_OBJECT

public:
    TfrmWhois();

    void FormShow();
    // Asks on a worker thread; whoisFinished() follows once the answer is shown. A press while
    // a lookup runs is let go; Esc stops the lookup.
    void btnCXClick();

    // The lines the memo shows, a wrapped line once per displayed line, an empty last line
    // not counted.
    int displayedLines() const;

Q_SIGNALS:
    void whoisFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showResult(const QString& text);

    QComboBox* txtUrl_ = nullptr;
    QPushButton* btnCX_ = nullptr;
    QPlainTextEdit* MoWhois_ = nullptr;
    widgets::WorkerRun lookupRun_{this};
};

} // namespace kelvane::lookup
