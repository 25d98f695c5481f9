#pragma once

#include "mail/mail_view.h"

#include <QString>
#include <QStringList>

namespace kelvane::test {

// The mail window's fields as plain strings; every status text and button change is recorded.
class FakeMailView : public mail::MailView {
public:
    QString moMailList, txtServerName, txtUserName, txtPwd, txtMail, txtFname, txtTitle, txtContent;
    QString txtState = QStringLiteral("当前状态");
    QStringList states;
    bool btnSendEnabled = true;
    QString btnSendCaption = QStringLiteral("开始发送");
    // "enabled"/"disabled" and each caption, in the order they were set.
    QStringList buttonChanges;
    // Each sign of a server wait, in order ("" when one ended), and the pumps while waiting.
    QStringList serverWaits;
    int pumps = 0;

    // Every field filled for a batch to the server at 127.0.0.1.
    static FakeMailView filled(const QString& list) {
        FakeMailView v;
        v.moMailList = list;
        v.txtServerName = QStringLiteral("127.0.0.1");
        v.txtUserName = QStringLiteral("kelvane");
        v.txtPwd = QStringLiteral("secret");
        v.txtMail = QStringLiteral("sender@example.cn");
        v.txtFname = QStringLiteral("站长");
        v.txtTitle = QStringLiteral("网站周报");
        v.txtContent = QStringLiteral("你好，\r\n这是本周的报告。");
        return v;
    }

    QString moMailListText() const override { return moMailList; }
    QString txtServerNameText() const override { return txtServerName; }
    QString txtUserNameText() const override { return txtUserName; }
    QString txtPwdText() const override { return txtPwd; }
    QString txtMailText() const override { return txtMail; }
    QString txtFnameText() const override { return txtFname; }
    QString txtTitleText() const override { return txtTitle; }
    QString txtContentText() const override { return txtContent; }
    void setTxtStateText(const QString& text) override {
        txtState = text;
        states << text;
    }
    void setBtnSendEnabled(bool enabled) override {
        btnSendEnabled = enabled;
        buttonChanges << QString::fromLatin1(enabled ? "enabled" : "disabled");
    }
    void setBtnSendCaption(const QString& caption) override {
        btnSendCaption = caption;
        buttonChanges << caption;
    }
    void setServerWaitText(const QString& text) override { serverWaits << text; }
    void processPendingEvents() override { ++pumps; }
    void setLineOutcomes(const QStringList& outcomes) override { lineOutcomes = outcomes; }
    QStringList lineOutcomes;
};

} // namespace kelvane::test
