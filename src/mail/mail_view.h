#pragma once

#include <QString>
#include <QStringList>

namespace kelvane::mail {

// What the bulk mail batch reads and writes, named after the controls of the mail window. The
// window, and a test, implement it; every write shows at once.
class MailView {
public:
    virtual ~MailView() = default;

    // The whole texts of the fields, as typed.
    virtual QString moMailListText() const = 0;
    virtual QString txtServerNameText() const = 0;
    virtual QString txtUserNameText() const = 0;
    virtual QString txtPwdText() const = 0;
    virtual QString txtMailText() const = 0;
    virtual QString txtFnameText() const = 0;
    virtual QString txtTitleText() const = 0;
    virtual QString txtContentText() const = 0;

    virtual void setTxtStateText(const QString& text) = 0;
    virtual void setBtnSendEnabled(bool enabled) = 0;
    virtual void setBtnSendCaption(const QString& caption) = 0;

    // While the server keeps a batch waiting: a sign to show after the status text (empty when
    // the wait is over), and a chance to redraw and take events. Both do nothing by default.
    virtual void setServerWaitText(const QString& text) { (void)text; }
    virtual void processPendingEvents() {}

    // After a batch: what became of each recipient line, one text per line in list order
    // ("a@x.cn：已发送", "b@x.cn：被拒绝：550 ..."), for the user to look back on. The status
    // texts stay as they are. Does nothing by default.
    virtual void setLineOutcomes(const QStringList& outcomes) { (void)outcomes; }
};

} // namespace kelvane::mail
