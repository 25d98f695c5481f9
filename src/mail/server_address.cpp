#include "mail/server_address.h"

namespace kelvane::mail {

ServerAddress splitServerAddress(const QString& text, quint16 defaultPort) {
    const qsizetype colon = text.lastIndexOf(u':');
    // A second colon outside brackets belongs to a bare IPv6 address, not to a port.
    const bool bracketed = text.startsWith(u'[') && colon > 0 && text[colon - 1] == u']';
    if (colon > 0 && (bracketed || text.indexOf(u':') == colon)) {
        const QStringView digits = QStringView(text).mid(colon + 1);
        bool ok = false;
        const uint port = digits.toUInt(&ok);
        if (ok && port > 0 && port <= 65535 && !digits.startsWith(u'+'))
            return {text.left(colon), static_cast<quint16>(port)};
    }
    return {text, defaultPort};
}

} // namespace kelvane::mail
