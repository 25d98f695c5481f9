#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace kelvane::net {

// One mail address with its display name.
struct TIdEMailAddressItem {
    QString Address;
    QString Name;

    // Parses one address: a bare address, `Name <address>` (the name may be quoted, with
    // backslash escapes) or `address (comment)`, whose comment becomes the name.
    void setText(QStringView text);
    static TIdEMailAddressItem fromText(QStringView text);

    bool operator==(const TIdEMailAddressItem&) const = default;
};

using TIdEMailAddressList = QList<TIdEMailAddressItem>;

// Splits at "," and ";" outside quotes and parentheses and parses each item.
// Blank text, and blank items between separators, give no address.
TIdEMailAddressList parseAddressList(QStringView text);

// True when an address holds a control character (CR, LF, NUL, ...) and so cannot go into an
// SMTP command or a header line.
bool hasControlCharacter(QStringView text);

// True when an address carries text from outside the address proper: an angle bracket (what
// followed a closing ">", or a comment that ended the line with ">", lands in the address),
// or a blank outside a quoted local part. In "MAIL FROM: <...>" such text would become
// parameters of the command.
bool hasForeignText(QStringView address);

} // namespace kelvane::net
