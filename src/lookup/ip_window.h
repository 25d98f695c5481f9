#pragma once

#include "widgets/run_on_worker.h"

#include <QWidget>
#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kelvane::lookup {

// The IP lookup window: the user's own address at start-up, any address or host on request.
class TfrmIP : public QWidget {
    Q_OBJECT

public:
    TfrmIP();

    // The own address is asked on a worker thread as the window is made, so start-up does not
    // wait for it; the memo shows it when it comes.
    void FormCreate();
    // Asks on a worker thread. A press while a lookup (the own one included) runs is let go;
    // Esc stops the lookup.
    void btnCXClick();
    void txtIPClick();
    // Whether a lookup (the own one at start-up included) has not ended yet.
    bool isLookingUp() const { return lookupRun_.isRunning(); }

Q_SIGNALS:
    // A lookup, the own one included, has ended and its answer is shown.
    void ipLookupFinished();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The lookup on the worker, its answer into the memo.
    void ask(std::function<QString()> lookup);

    QLineEdit* txtIP_ = nullptr;
    QPushButton* btnCX_ = nullptr;
    QPlainTextEdit* MoIP_ = nullptr;
    widgets::WorkerRun lookupRun_{this};
};

} // namespace kelvane::lookup
