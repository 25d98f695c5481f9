#pragma once

#include <QString>
#include <QStringList>

namespace kelvane::query {

// Removes every occurrence of each token, in list order. Each token is found left to right
// without overlap in one pass, case-sensitively; text brought together by a removal is not
// searched again for the same token.
QString StripTokens(const QString& text, const QStringList& tokens);

} // namespace kelvane::query
