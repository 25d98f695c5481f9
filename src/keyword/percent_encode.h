#pragma once

#include <QByteArrayView>
#include <QString>

namespace kelvane::keyword {

// The keyword's bytes for a search URL: ASCII letters, digits and ! $ ' ( ) * - . @ _ stay,
// the space becomes "+", every other byte "%" and two upper-case hexadecimal digits.
QString PercentEncode(QByteArrayView bytes);

} // namespace kelvane::keyword
