#pragma once

#include "mail/bulk_mailer.h"
#include "mail/mail_view.h"

#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kelvane::mail {

// The bulk mail window: the recipient list, the server and sender fields, subject and body,
// and the send button whose click runs one batch of BulkMailer.
class TfrmMail : public QWidget, private MailView {
public:
    TfrmMail();
    ~TfrmMail() override;

    void btnSendClick();
    // The send loop with its client and message; tests set its port.
    BulkMailer& mailer() { return mailer_; }

protected:
    // Escape hides the window, as closing it does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();

    QString moMailListText() const override;
    QString txtServerNameText() const override;
    QString txtUserNameText() const override;
    QString txtPwdText() const override;
    QString txtMailText() const override;
    QString txtFnameText() const override;
    QString txtTitleText() const override;
    QString txtContentText() const override;
    void setTxtStateText(const QString& text) override;
    void setBtnSendEnabled(bool enabled) override;
    void setBtnSendCaption(const QString& caption) override;
    void setServerWaitText(const QString& text) override;
    void processPendingEvents() override;
    void setLineOutcomes(const QStringList& outcomes) override;

    BulkMailer mailer_{*this};
    QPlainTextEdit* moMailList_ = nullptr;
    QLineEdit* txtServerName_ = nullptr;
    QLineEdit* txtUserName_ = nullptr;
    QLineEdit* txtPwd_ = nullptr;
    QLineEdit* txtMail_ = nullptr;
    QLineEdit* txtFname_ = nullptr;
    QLineEdit* txtTitle_ = nullptr;
    QPlainTextEdit* txtContent_ = nullptr;
    QLineEdit* txtState_ = nullptr;
    QString state_;
    QString serverWait_;
    QPushButton* btnSend_ = nullptr;
};

} // namespace kelvane::mail
