#pragma once

#include <QStringList>

namespace kelvane::cli {

// kelvane-cli keyword SITE KEYWORD [--engines LIST] [--pages FIRST-LAST] [--json]
int runKeywordCommand(const QStringList& arguments);

} // namespace kelvane::cli
