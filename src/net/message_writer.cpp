#include "net/message_writer.h"

#include "platform/locale_info.h"

namespace kelvane::net {

namespace {

constexpr const char* kDayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool isPrintableAscii(QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

QByteArray quoted(QStringView name) {
    QByteArray out = "\"";
    for (const QChar c : name) {
        if (c == u'\\' || c == u'"')
            out += '\\';
        out += static_cast<char>(c.unicode());
    }
    out += '"';
    return out;
}

// An address as header bytes. The client refuses addresses with control characters before it
// writes; this keeps a direct caller of the writer from breaking the header all the same.
QByteArray addressBytes(QStringView address, const HeaderCharset& charset) {
    QByteArray bytes = platform::toCharset(address, charset.name.constData());
    for (char& byte : bytes) {
        if (static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F)
            byte = '?';
    }
    return bytes;
}

QByteArray namedAddress(const TIdEMailAddressItem& item, const HeaderCharset& charset) {
    const QByteArray name = isPrintableAscii(item.Name)
                                ? quoted(item.Name)
                                : encodeHeaderText(item.Name, charset, kAddressSpecials);
    return name + " <" + addressBytes(item.Address, charset) + '>';
}

QByteArray headerLine(QByteArrayView name, QByteArrayView value) {
    return foldMailHeaderLine(name.toByteArray() + ": " + value.toByteArray());
}

} // namespace

MessageFormat MessageFormat::current() {
    return {headerCharsetFor(platform::userLocale()), platform::localNowWithOffset()};
}

QByteArray formatMailDate(const QDateTime& time) {
    const QDate date = time.date();
    const QTime clock = time.time();
    const int offsetMinutes = time.offsetFromUtc() / 60;
    const int absMinutes = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    return QStringLiteral("%1, %2 %3 %4 %5:%6:%7 %8%9%10")
        .arg(QLatin1StringView(kDayNames[date.dayOfWeek() - 1]))
        .arg(date.day())
        .arg(QLatin1StringView(kMonthNames[date.month() - 1]))
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(clock.hour(), 2, 10, QLatin1Char('0'))
        .arg(clock.minute(), 2, 10, QLatin1Char('0'))
        .arg(clock.second(), 2, 10, QLatin1Char('0'))
        .arg(offsetMinutes < 0 ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(absMinutes / 60, 2, 10, QLatin1Char('0'))
        .arg(absMinutes % 60, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

QByteArrayList headerLines(TIdMessage& message, const MessageFormat& format) {
    const HeaderCharset& charset = format.charset;
    QByteArrayList lines;
    if (message.From.Name.isEmpty())
        message.From.Name = message.From.Address;
    if (!message.From.Name.isEmpty() || !message.From.Address.isEmpty())
        lines.append(headerLine("From", namedAddress(message.From, charset)));
    if (!message.Subject.isEmpty())
        lines.append(headerLine("Subject", encodeHeaderText(message.Subject, charset)));
    if (!message.Recipients.isEmpty()) {
        QByteArray to;
        for (const TIdEMailAddressItem& item : message.Recipients) {
            if (!to.isEmpty())
                to += ", ";
            to += item.Name.isEmpty() ? addressBytes(item.Address, charset)
                                      : namedAddress(item, charset);
        }
        lines.append(headerLine("To", to));
    }
    const QDateTime date = message.Date.isValid() ? message.Date : format.now;
    lines.append(headerLine("Date", formatMailDate(date)));
    return lines;
}

QByteArray messageData(TIdMessage& message, const MessageFormat& format) {
    QByteArray data;
    for (const QByteArray& line : headerLines(message, format)) {
        data += line;
        data += "\r\n";
    }
    data += "\r\n";
    for (const QString& bodyLine : message.Body) {
        // A line break inside a line is a line break: a bare CR or LF must not reach the wire,
        // where it could end the data early.
        TIdMessage split;
        split.setBodyText(bodyLine);
        if (split.Body.isEmpty())
            split.Body.append(QString());
        for (const QString& line : split.Body) {
            if (line.startsWith(u'.'))
                data += '.';
            data += platform::toCharset(line, format.charset.name.constData());
            data += "\r\n";
        }
    }
    data += "\r\n.\r\n";
    return data;
}

} // namespace kelvane::net
