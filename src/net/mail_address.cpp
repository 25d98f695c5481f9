#include "net/mail_address.h"

namespace kelvane::net {

namespace {

bool isSimpleAddress(QStringView text) {
    for (const QChar c : text) {
        if (c == u'(' || c == u'"' || c == u'<' || c == u' ' || c == u'@' || c == u'\t')
            return false;
    }
    return true;
}

// The text of a display name: outer quotes removed, backslash escapes resolved.
QString unquoteName(QStringView name) {
    name = name.trimmed();
    if (name.size() < 2 || name.front() != u'"' || name.back() != u'"')
        return name.toString();
    QString out;
    name = name.mid(1, name.size() - 2);
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == u'\\' && i + 1 < name.size())
            ++i;
        out += name[i];
    }
    return out;
}

// The index of the first `wanted` outside quoted strings, or -1.
qsizetype indexOutsideQuotes(QStringView text, QChar wanted) {
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted && c == u'\\') {
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && c == wanted) {
            return i;
        }
    }
    return -1;
}

// The contents of a comment that starts at `open`, nesting and escapes honoured, and the index
// after its closing parenthesis (the end of the text when unclosed).
QString commentAt(QStringView text, qsizetype open, qsizetype* after) {
    QString out;
    int depth = 0;
    qsizetype i = open;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\' && i + 1 < text.size()) {
            out += text[++i];
            continue;
        }
        if (c == u'(') {
            if (depth++ == 0)
                continue;
        } else if (c == u')') {
            if (--depth == 0) {
                ++i;
                break;
            }
        }
        out += c;
    }
    *after = i;
    return out.trimmed();
}

} // namespace

void TIdEMailAddressItem::setText(QStringView text) {
    Address.clear();
    Name.clear();
    text = text.trimmed();
    if (isSimpleAddress(text)) {
        Address = text.toString();
        return;
    }
    const qsizetype open = indexOutsideQuotes(text, u'<');
    if (open >= 0) {
        qsizetype close = text.indexOf(u'>', open + 1);
        if (close < 0)
            close = text.size();
        Address = text.mid(open + 1, close - open - 1).trimmed().toString();
        Name = unquoteName(text.left(open));
        return;
    }
    const qsizetype paren = indexOutsideQuotes(text, u'(');
    if (paren >= 0) {
        qsizetype after = 0;
        Name = commentAt(text, paren, &after);
        Address = (text.left(paren).trimmed().toString() + text.mid(after).trimmed().toString());
        return;
    }
    // Words without brackets: the word with the at sign is the address, the others its name.
    const QList<QStringView> words = text.split(u' ', Qt::SkipEmptyParts);
    if (words.size() > 1 && indexOutsideQuotes(text, u'"') < 0) {
        for (qsizetype i = words.size() - 1; i >= 0; --i) {
            if (words[i].contains(u'@')) {
                Address = words[i].trimmed().toString();
                QStringList rest;
                for (qsizetype j = 0; j < words.size(); ++j) {
                    if (j != i)
                        rest.append(words[j].trimmed().toString());
                }
                Name = rest.join(u' ');
                return;
            }
        }
    }
    Address = text.toString();
}

TIdEMailAddressItem TIdEMailAddressItem::fromText(QStringView text) {
    TIdEMailAddressItem item;
    item.setText(text);
    return item;
}

TIdEMailAddressList parseAddressList(QStringView text) {
    TIdEMailAddressList list;
    bool quoted = false;
    int parens = 0;
    qsizetype start = 0;
    auto take = [&](qsizetype end) {
        const QStringView item = text.mid(start, end - start).trimmed();
        if (!item.isEmpty())
            list.append(TIdEMailAddressItem::fromText(item));
        start = end + 1;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\' && (quoted || parens > 0)) {
            ++i;
        } else if (c == u'"' && parens == 0) {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == u'(') {
            ++parens;
        } else if (c == u')' && parens > 0) {
            --parens;
        } else if (parens > 0) {
            continue;
        } else if (c == u',' || c == u';') {
            take(i);
        }
    }
    take(text.size());
    return list;
}

bool hasControlCharacter(QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

bool hasForeignText(QStringView address) {
    bool quoted = false;
    for (qsizetype i = 0; i < address.size(); ++i) {
        const QChar c = address[i];
        if (quoted && c == u'\\') {
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (c == u'<' || c == u'>') {
            return true;
        } else if (!quoted && (c == u' ' || c == u'\t')) {
            return true;
        }
    }
    return false;
}

} // namespace kelvane::net
