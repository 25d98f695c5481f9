#pragma once

#include <array>

namespace kelvane::net {

// What an SMTP client is waiting for; each wait has its own limit.
enum class SmtpWait {
    Greeting,        // the 220 after connecting
    Mail,            // the reply to MAIL FROM
    Rcpt,            // the reply to RCPT TO
    DataInitiation,  // the 354 after DATA
    DataBlock,       // the server taking the next block of message data
    DataTermination, // the reply after the final "."
    Other,           // EHLO, HELO, AUTH, RSET, QUIT
};
inline constexpr int kSmtpWaitCount = 7;

// Milliseconds per wait, indexed by SmtpWait; -1 (or 0) waits without limit.
using SmtpWaitTimeouts = std::array<int, kSmtpWaitCount>;

constexpr int smtpWaitIndex(SmtpWait wait) {
    return static_cast<int>(wait);
}

constexpr SmtpWaitTimeouts uniformSmtpWaitTimeouts(int milliseconds) {
    SmtpWaitTimeouts timeouts{};
    for (int& timeout : timeouts)
        timeout = milliseconds;
    return timeouts;
}

// The client time-outs of RFC 5321 section 4.5.3.2. A server may be scanning the message
// after "." for minutes and still accept it. The commands the RFC names no time for get the
// five minutes it gives the server for any command.
inline constexpr int kMinuteMs = 60 * 1000;
inline constexpr SmtpWaitTimeouts kRfc5321WaitTimeouts = {
    5 * kMinuteMs,  // Greeting
    5 * kMinuteMs,  // Mail
    5 * kMinuteMs,  // Rcpt
    2 * kMinuteMs,  // DataInitiation
    3 * kMinuteMs,  // DataBlock
    10 * kMinuteMs, // DataTermination
    5 * kMinuteMs,  // Other
};

} // namespace kelvane::net
