#include "mail/bulk_mailer.h"

#include "mail/server_address.h"
#include "net/mail_address.h"

namespace kelvane::mail {

namespace {

// A control character other than the tab (which the address parser reads as a blank): in an
// address it could end the SMTP command or the header line it stands in.
bool breaksLine(QStringView text) {
    for (const QChar c : text) {
        if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

// Closes the session and gives the button back however the batch ends.
class BatchEnd {
public:
    BatchEnd(MailView& view, net::TIdSMTP& smtp, bool& busy)
        : view_(view), smtp_(smtp), busy_(busy) {}
    ~BatchEnd() {
        try {
            smtp_.Disconnect();
        } catch (const platform::KelvaneError&) {
            // A failing QUIT does not matter: the connection is closed all the same.
        }
        view_.setBtnSendEnabled(true);
        view_.setBtnSendCaption(QString::fromUtf16(kSendCaption));
        busy_ = false;
    }
    BatchEnd(const BatchEnd&) = delete;
    BatchEnd& operator=(const BatchEnd&) = delete;

private:
    MailView& view_;
    net::TIdSMTP& smtp_;
    bool& busy_;
};

// Why a line or the session failed: a refusal quotes the server's reply, code first; any
// other failure gives its own message. One line of text either way.
QString failureText(const platform::KelvaneError& error) {
    QString text = error.message();
    if (const auto* refusal = dynamic_cast<const net::EIdSMTPReplyError*>(&error)) {
        text = QString::number(refusal->errorCode());
        if (!refusal->enhancedCode().isEmpty())
            text += u' ' + refusal->enhancedCode();
        text += u' ' + refusal->replyText();
    }
    return text.replace(u'\r', u' ').replace(u'\n', u' ');
}

// One line of the batch report: the recipient line and what became of it.
QString lineOutcome(QString line, const char16_t* what, const QString& why = {}) {
    line.replace(u'\r', u' ').replace(u'\n', u' ');
    return line + u'：' + QString::fromUtf16(what) + why;
}

QString lineOutcome(const QString& line, const platform::KelvaneError& error) {
    const bool refused = dynamic_cast<const net::EIdSMTPReplyError*>(&error) != nullptr;
    return lineOutcome(line, refused ? kLineRefused : kLineFailed, failureText(error));
}

} // namespace

QString ServerWaitText(qint64 waitedMs) {
    return QStringLiteral(" (等待服务器响应 %1 秒)").arg(waitedMs / 1000);
}

BulkMailer::BulkMailer(MailView& view) : view_(view) {
    // A slow server may keep the batch for minutes: the window says so and stays drawn.
    IdSMTP.WhileWaiting = [this](qint64 waitedMs) {
        const qint64 seconds = waitedMs >= kServerWaitSignAfterMs ? waitedMs / 1000 : -1;
        if (seconds != shownWaitSeconds_) {
            view_.setServerWaitText(seconds < 0 ? QString() : ServerWaitText(waitedMs));
            shownWaitSeconds_ = seconds;
        }
        view_.processPendingEvents();
    };
}

QStringList MemoLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

bool BulkMailer::iswz() {
    const struct {
        QString text;
        const char16_t* message;
    } fields[] = {
        {view_.moMailListText(), u"请输入邮件地址"},
        {view_.txtServerNameText(), u"请输入服务器地址"},
        {view_.txtUserNameText(), u"请输入用户名"},
        {view_.txtPwdText(), u"请输入密码"},
        {view_.txtMailText(), u"请输入发送者邮件地址"},
        {view_.txtFnameText(), u"请输入发送者称谓"},
        {view_.txtTitleText(), u"请输入邮件标题"},
        {view_.txtContentText(), u"请输入邮件内容"},
    };
    for (const auto& field : fields) {
        // Blanks count as content: only a field without any character is missing.
        if (field.text.isEmpty()) {
            view_.setTxtStateText(QString::fromUtf16(field.message));
            return false;
        }
    }
    return true;
}

void BulkMailer::btnSendClick() {
    if (busy_ || !iswz())
        return;
    busy_ = true;
    lineOutcomes_.clear();
    BatchEnd end(view_, IdSMTP, busy_);
    try {
        view_.setBtnSendEnabled(false);
        view_.setBtnSendCaption(QString::fromUtf16(kSendingCaption));

        const mail::ServerAddress server =
            mail::splitServerAddress(view_.txtServerNameText(), Port);
        IdSMTP.Host = server.host;
        IdSMTP.Username = view_.txtUserNameText();
        IdSMTP.Password = view_.txtPwdText();
        IdSMTP.Port = server.port;
        IdSMTP.WaitTimeouts = ReplyTimeouts;
        IdSMTP.Connect();

        IdMessage.setBodyText(view_.txtContentText());
        IdMessage.Subject = view_.txtTitleText();
        const QString sender = view_.txtMailText();
        const QString name = view_.txtFnameText().trimmed();
        senderRefused_ = breaksLine(sender);
        IdMessage.From.setText(sender);
        // The display name field names the sender; the writer encodes whatever it holds.
        if (!name.isEmpty())
            IdMessage.From.Name = name;

        IdSMTP.Authenticate();

        const QStringList lines = MemoLines(view_.moMailListText());
        for (const QString& line : lines)
            sendMail(line);

        IdSMTP.Disconnect();
        view_.setTxtStateText(QString::fromUtf16(kDone));
    } catch (const platform::KelvaneError& error) {
        // The batch stops silently: txtState keeps what it last showed. The report says why,
        // and which lines were never tried.
        const QStringList lines = MemoLines(view_.moMailListText());
        for (qsizetype n = lineOutcomes_.size(); n < lines.size(); ++n)
            lineOutcomes_ << lineOutcome(lines[n], kLineNotSent);
        lineOutcomes_ << QString::fromUtf16(kSessionFailed) + failureText(error);
    }
    view_.setLineOutcomes(lineOutcomes_);
}

void BulkMailer::sendMail(const QString& line) {
    const QString sending = QString::fromUtf16(kSendingTo) + line;
    view_.setTxtStateText(sending);
    try {
        if (senderRefused_ || breaksLine(line))
            throw net::EIdSMTPInvalidAddress(QStringLiteral("Invalid address: control character."));
        IdMessage.setRecipientsText(line);
        IdSMTP.Send(IdMessage);
        lineOutcomes_ << lineOutcome(line, kLineSent);
    } catch (const platform::KelvaneError& error) {
        view_.setTxtStateText(sending + QString::fromUtf16(kFailed));
        lineOutcomes_ << lineOutcome(line, error);
    }
}

} // namespace kelvane::mail
