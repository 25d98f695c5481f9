#pragma once

#include <QWidget>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace kelvane::lookup {

// The whois window: a domain in, the registration record out.
class TfrmWhois : public QWidget {
public:
    TfrmWhois();

    void FormShow();
    void btnCXClick();

    // The lines the memo shows, a wrapped line once per displayed line, an empty last line
    // not counted.
    int displayedLines() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showResult(const QString& text);

    QComboBox* txtUrl_ = nullptr;
    QPushButton* btnCX_ = nullptr;
    QPlainTextEdit* MoWhois_ = nullptr;
};

} // namespace kelvane::lookup
