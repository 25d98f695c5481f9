#include "lookup/memo_text.h"

namespace kelvane::lookup {

QString MemoDisplayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\r\n"), QStringLiteral("\n"));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.remove(u'\r');
    return shown;
}

} // namespace kelvane::lookup
