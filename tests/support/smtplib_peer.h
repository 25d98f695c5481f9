#pragma once

#include "net/idmessage.h"

#include <QString>

namespace kelvane::test {

// The peer of the mail benchmarks: Python's smtplib sending the same messages with the same
// login to the same server.

// Writes the message as our writer makes it, the recipient a placeholder "@TO@", without the
// final "." (smtplib adds that). Returns the file's path, empty when it cannot be written.
QString WriteMessageTemplate(net::TIdMessage message, const QString& path);

// smtplib logs in as kelvane/secret and sends `count` messages to user<i>@example.cn, each
// preceded by RSET when `rset`; the seconds it took by its own clock, or -1 on failure.
double SmtplibSendSeconds(const QString& python, quint16 port, int count, bool rset,
                          const QString& templatePath);

} // namespace kelvane::test
