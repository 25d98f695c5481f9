#include "query/strip_tokens.h"

namespace kelvane::query {

QString StripTokens(const QString& text, const QStringList& tokens) {
    QString result = text;
    for (const QString& token : tokens) {
        // QString::remove scans once from the left and does not rescan what it joins.
        if (!token.isEmpty())
            result.remove(token, Qt::CaseSensitive);
    }
    return result;
}

} // namespace kelvane::query
