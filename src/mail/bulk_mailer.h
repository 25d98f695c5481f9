#pragma once

#include "mail/mail_view.h"
#include "net/idmessage.h"
#include "net/idsmtp.h"

#include <QString>
#include <QStringList>

namespace kelvane {

// The texts the mail window shows.
namespace mail_text {
inline constexpr const char16_t* kSendCaption = u"开始发送";
inline constexpr const char16_t* kSendingCaption = u"正在发送";
inline constexpr const char16_t* kSendingTo = u"正在发送至：";
inline constexpr const char16_t* kFailed = u"失败 !";
inline constexpr const char16_t* kDone = u"发送完成....";
inline constexpr const char16_t* kInitialState = u"当前状态";
} // namespace mail_text

// The lines of a multi-line edit: CR, LF and CR LF each end a line, and a final line break
// starts no further line.
QStringList MemoLines(const QString& text);

// The send loop of the mail window over its view: one SMTP client and one message that live as
// long as the window, one session per batch and one transaction per recipient line.
class BulkMailer {
public:
    // Each reply is awaited at most this long, so that a server that stops answering ends
    // its transaction (or the batch) instead of freezing the one user-interface thread forever.
    static constexpr int kDefaultReplyTimeoutMs = 60000;

    explicit BulkMailer(MailView& view) : view_(view) {}

    TIdSMTP IdSMTP;
    TIdMessage IdMessage;
    // The server's port when the server box names none; tests point it at their loopback
    // servers.
    quint16 Port = 25;
    int ReplyTimeoutMs = kDefaultReplyTimeoutMs;

    // The eight fields in order; the first empty one puts its message into txtState and the
    // answer is no.
    bool iswz();
    // Validation, then one batch: connect, prepare the message, log in, one sendMail per line,
    // QUIT, "发送完成....". A failure of the session ends the batch silently, with the send
    // button back; only errors that are not network errors reach the caller.
    void btnSendClick();
    // One transaction to the addresses of `line`; its outcome goes to txtState.
    void sendMail(const QString& line);

private:
    MailView& view_;
    bool busy_ = false;
    // The sender fields hold a control character: every line is refused.
    bool senderRefused_ = false;
};

} // namespace kelvane
