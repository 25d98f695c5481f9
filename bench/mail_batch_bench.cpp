// The mail window's send loop (BulkMailer over a view that only stores its texts) sending one
// message to 1000 recipient lines against a loopback aiosmtpd, beside Python's smtplib sending
// the same messages with the same commands to the same server in the same run.
// Prints the best of a few rounds for each and the ratio (loop / smtplib).

#include "mail/bulk_mailer.h"
#include "platform/locale_format.h"
#include "support/aiosmtpd_server.h"
#include "support/smtplib_peer.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace kelvane;

namespace {

constexpr int kRecipients = 1000;
constexpr int kRounds = 3;

const QString kSubject = QStringLiteral("Kelvane 站长工具 每月报告");
const QString kBody = QStringLiteral("你好，\r\n这是一封群发测试邮件。\r\nKelvane\r\n");

class StoringView : public mail::MailView {
public:
    QString list;
    QString state;
    QString moMailListText() const override { return list; }
    QString txtServerNameText() const override { return QStringLiteral("127.0.0.1"); }
    QString txtUserNameText() const override { return QStringLiteral("kelvane"); }
    QString txtPwdText() const override { return QStringLiteral("secret"); }
    QString txtMailText() const override { return QStringLiteral("sender@example.cn"); }
    QString txtFnameText() const override { return QStringLiteral("Kelvane"); }
    QString txtTitleText() const override { return kSubject; }
    QString txtContentText() const override { return kBody; }
    void setTxtStateText(const QString& text) override { state = text; }
    void setBtnSendEnabled(bool) override {}
    void setBtnSendCaption(const QString&) override {}
};

double sendLoop(quint16 port, const QString& list) {
    StoringView view;
    view.list = list;
    mail::BulkMailer mailer(view);
    mailer.Port = port;
    QElapsedTimer timer;
    timer.start();
    mailer.btnSendClick();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    if (view.state != QStringLiteral("发送完成...."))
        std::fprintf(stderr, "batch did not complete: %s\n", qPrintable(view.state));
    return seconds;
}

} // namespace

int main() {
    platform::ScopedFormatLocale locale(QLocale(QLocale::Chinese, QLocale::China));
    test::AiosmtpdServer::Options options;
    options.keepMessages = false;
    test::AiosmtpdServer server(options);
    if (!server.available()) {
        std::printf("python3-aiosmtpd is not installed; nothing measured\n");
        return 0;
    }
    if (!server.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.error()));
        return 1;
    }
    QTemporaryDir dir;
    net::TIdMessage message;
    message.From.setText(u"sender@example.cn");
    message.From.Name = QStringLiteral("Kelvane");
    message.Subject = kSubject;
    message.setBodyText(kBody);
    const QString templatePath =
        test::WriteMessageTemplate(message, dir.filePath(QStringLiteral("message.eml")));
    QString list;
    for (int i = 0; i < kRecipients; ++i)
        list += QStringLiteral("user%1@example.cn\r\n").arg(i);

    double loop = 1e9, python = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        loop = std::min(loop, sendLoop(server.port(), list));
        python = std::min(python, test::SmtplibSendSeconds(server.python(), server.port(),
                                                           kRecipients, true, templatePath));
    }
    std::printf("%d recipient lines in one batch, best of %d rounds\n", kRecipients, kRounds);
    std::printf("  BulkMailer batch:                 %.3f s\n", loop);
    std::printf("  smtplib (rset, MAIL, RCPT, DATA): %.3f s   ratio %.2f\n", python, loop / python);
    return 0;
}
