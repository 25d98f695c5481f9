#pragma once

#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kelvane::lookup {

// The IP lookup window: the user's own address at start-up, any address or host on request.
class TfrmIP : public QWidget {
public:
    TfrmIP();

    void FormCreate();
    void btnCXClick();
    void txtIPClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* txtIP_ = nullptr;
    QPushButton* btnCX_ = nullptr;
    QPlainTextEdit* MoIP_ = nullptr;
};

} // namespace kelvane::lookup
