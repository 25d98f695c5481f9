#pragma once

#include "platform/errors.h"

#include <QString>
#include <functional>

namespace kelvane::test {

// The message of the error a call raises; empty when it raises none.
inline QString errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const platform::KelvaneError& error) {
        return error.message();
    }
    return {};
}

} // namespace kelvane::test
