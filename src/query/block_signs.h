#pragma once

#include "platform/errors.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace kelvane::query {

// What an engine's answer looks like when it refuses to serve a search: a captcha host or path
// behind a redirect, a verification page title, a tiny page pointing at the block page. Every
// field is optional; a row of an engine's table holds one of these.
struct BlockSigns {
    // A Location or final URL whose host contains this text.
    const char16_t* hostContains = nullptr;
    // A Location or final URL whose path starts with this text.
    const char16_t* pathStarts = nullptr;
    // A page whose <title> is exactly this text (in UTF-8 or the ANSI code page).
    const char16_t* title = nullptr;
    // A body under smallBodyBytes that contains this text.
    const char16_t* smallBodyContains = nullptr;
    int smallBodyBytes = 0;
    // A body of any size that contains this text: a challenge served under the engine's usual
    // title, with HTTP 200.
    const char16_t* bodyContains = nullptr;
    // A search page: 429 and 403 mean the engine refused.
    bool searchPage = false;
};

inline constexpr BlockSigns kBaiduBlockSigns{
    .hostContains = u"wappass.baidu.com", .title = u"百度安全验证", .searchPage = true};
inline constexpr BlockSigns kGoogleBlockSigns{.hostContains = u"sorry.google.com",
                                              .pathStarts = u"/sorry",
                                              .smallBodyContains = u"/sorry/",
                                              .smallBodyBytes = 2000,
                                              .searchPage = true};
inline constexpr BlockSigns kSogouBlockSigns{.pathStarts = u"/antispider", .searchPage = true};
inline constexpr BlockSigns kSearchPageBlockSigns{.searchPage = true};

// Raised where an answer shows a block sign and the caller ends as on a failed exchange.
class EBlockedAnswer : public platform::KelvaneError {
public:
    explicit EBlockedAnswer(QString sign)
        : platform::KelvaneError(QStringLiteral("Blocked (%1).").arg(sign)),
          sign_(std::move(sign)) {}
    const QString& sign() const noexcept { return sign_; }

private:
    QString sign_;
};

// What one answer showed: the final status, its Location, the URL it came from, its body.
struct AnswerFacts {
    int status = -1;
    QString location;
    QString url;
    QByteArray body;
};

// The sign the answer shows, as an identifier ("location-host", "url-path", "title",
// "small-body", "body", "http-429", ...), or none.
std::optional<QString> FindBlockSign(const BlockSigns& signs, const AnswerFacts& answer);

// The text of the first <title> element of a page, raw bytes, spaces around it removed.
QByteArray PageTitle(const QByteArray& body);

} // namespace kelvane::query
