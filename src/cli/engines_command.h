#pragma once

#include <QStringList>

namespace kelvane::cli {

// kelvane-cli engines list | export | check FILE | test FILE PAGE... | test FILE --row ID PAGE
int runEnginesCommand(const QStringList& arguments);

} // namespace kelvane::cli
