#pragma once

#include "platform/page_text.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <memory>

namespace re2 {
class RE2;
}

namespace kelvane::platform {

// One match: the whole matched text and where it stands in the searched text, in UTF-16 units.
struct RegExpMatch {
    QString value;
    qsizetype firstIndex = 0;
    qsizetype length = 0;
};

// The matcher of every pattern in the product, with the VBScript 5.5 rules the patterns rely
// on: leftmost match, "." not matching LF, "^"/"$" at the ends of the whole text unless
// Multiline, "\w" ASCII only. A pattern the engine rejects makes Execute raise EMatcherError.
class TRegExp {
public:
    TRegExp();
    ~TRegExp();
    TRegExp(const TRegExp&) = delete;
    TRegExp& operator=(const TRegExp&) = delete;

    QString Pattern() const { return pattern_; }
    void setPattern(const QString& pattern);
    bool IgnoreCase() const { return ignoreCase_; }
    void setIgnoreCase(bool on);
    bool Global() const { return global_; }
    void setGlobal(bool on) { global_ = on; }
    bool Multiline() const { return multiline_; }
    void setMultiline(bool on);

    // All matches left to right without overlap when Global, else at most the leftmost one.
    QList<RegExpMatch> Execute(QStringView text);
    // The same over a page already held as UTF-8: no conversion, no copy.
    QList<RegExpMatch> Execute(const PageText& page);
    // True when the pattern matches anywhere in the text.
    bool Test(QStringView text);

private:
    const re2::RE2& compiled();
    // Matches over UTF-8; valueOf gives a match's text from its UTF-8 byte range and its
    // UTF-16 place.
    template <typename ValueOf>
    QList<RegExpMatch> executeUtf8(QByteArrayView utf8, ValueOf valueOf);

    QString pattern_;
    bool ignoreCase_ = false;
    bool global_ = false;
    bool multiline_ = false;
    std::unique_ptr<re2::RE2> compiled_;
};

} // namespace kelvane::platform
