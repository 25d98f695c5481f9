#include "query/domain_validation.h"

#include "platform/errors.h"
#include "platform/regexp.h"

namespace kelvane::query {

bool IsValidDomain(const QString& text) {
    platform::TRegExp matcher;
    matcher.setPattern(
        QStringLiteral(R"(^\w+((-\w+)|(\.\w+))*[A-Za-z0-9]+((\.|-)[A-Za-z0-9]+)*\.[A-Za-z]+$)"));
    try {
        return matcher.Test(text);
    } catch (const platform::EMatcherError&) {
        return false;
    }
}

} // namespace kelvane::query
