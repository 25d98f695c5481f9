#pragma once

#include "platform/scoped_override.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace kelvane::platform {

// The longest host name the socket layer reports, in bytes.
inline constexpr qsizetype kMaxHostNameBytes = 250;

// This machine's host name as the socket layer reports it: at most kMaxHostNameBytes bytes,
// never half a character. Empty when the system has none.
QString localHostName();

// The computer's own name, for when the host name is empty: the static name the system keeps
// (/etc/hostname), or "localhost" when there is none either.
QString computerName();

// Replaces the raw sources of both names for its lifetime (the host name bytes before the
// cut, the computer name as is); the previous sources return when it ends.
class ScopedMachineNames {
public:
    ScopedMachineNames(std::function<QByteArray()> hostName, std::function<QString()> computer);

private:
    ScopedOverride<std::function<QByteArray()>> hostName_;
    ScopedOverride<std::function<QString()>> computer_;
};

} // namespace kelvane::platform
