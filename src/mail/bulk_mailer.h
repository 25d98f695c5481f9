#pragma once

#include "mail/mail_view.h"
#include "net/idmessage.h"
#include "net/idsmtp.h"

#include <QString>
#include <QStringList>

namespace kelvane::mail {

// The texts the mail window shows.
inline constexpr const char16_t* kSendCaption = u"开始发送";
inline constexpr const char16_t* kSendingCaption = u"正在发送";
inline constexpr const char16_t* kSendingTo = u"正在发送至：";
inline constexpr const char16_t* kFailed = u"失败 !";
inline constexpr const char16_t* kDone = u"发送完成....";
inline constexpr const char16_t* kInitialState = u"当前状态";
// What became of one recipient line, kept for the user to look back on after the batch.
inline constexpr const char16_t* kLineSent = u"已发送";
inline constexpr const char16_t* kLineRefused = u"被拒绝：";
inline constexpr const char16_t* kLineFailed = u"失败：";
inline constexpr const char16_t* kLineNotSent = u"未发送";
inline constexpr const char16_t* kSessionFailed = u"会话中断：";

// The sign shown after the status text once the server has kept a batch waiting this long.
QString ServerWaitText(qint64 waitedMs);
inline constexpr qint64 kServerWaitSignAfterMs = 1000;

// The lines of a multi-line edit: CR, LF and CR LF each end a line, and a final line break
// starts no further line.
QStringList MemoLines(const QString& text);

// The send loop of the mail window over its view: one SMTP client and one message that live as
// long as the window, one session per batch and one transaction per recipient line.
class BulkMailer {
public:
    explicit BulkMailer(MailView& view);

    net::TIdSMTP IdSMTP;
    net::TIdMessage IdMessage;
    // The server's port when the server box names none; tests point it at their loopback
    // servers.
    quint16 Port = 25;
    // How long each reply is awaited: RFC 5321's client time-outs, so a slow server that is
    // fine is not given up on, while one that stops answering still ends its transaction (or
    // the batch). Tests shrink them.
    net::SmtpWaitTimeouts ReplyTimeouts = net::kRfc5321WaitTimeouts;

    // The eight fields in order; the first empty one puts its message into txtState and the
    // answer is no.
    bool iswz();
    // Validation, then one batch: connect, prepare the message, log in, one sendMail per line,
    // QUIT, "发送完成....". A failure of the session ends the batch silently, with the send
    // button back; only errors that are not network errors reach the caller.
    void btnSendClick();
    // One transaction to the addresses of `line`; its outcome goes to txtState.
    void sendMail(const QString& line);
    // What became of each line of the last batch, as the view was last given it.
    const QStringList& lineOutcomes() const { return lineOutcomes_; }

private:
    MailView& view_;
    bool busy_ = false;
    // The sender fields hold a control character: every line is refused.
    bool senderRefused_ = false;
    // Whole seconds of the wait sign on show; -1 when none is.
    qint64 shownWaitSeconds_ = -1;
    QStringList lineOutcomes_;
};

} // namespace kelvane::mail
