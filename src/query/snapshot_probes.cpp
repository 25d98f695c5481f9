#include "query/snapshot_probes.h"

#include "platform/errors.h"
#include "platform/host_config.h"
#include "platform/regexp.h"
#include "query/engine_definitions.h"
#include "query/fetch_and_extract.h"
#include "query/outcome.h"
#include "query/strip_tokens.h"
#include "query/text_values.h"

namespace kelvane::query {

namespace {

const QString kHomeFirst = QStringLiteral("首页第一");
const QString kNotFirst = QStringLiteral("不在第一");
const QString kFailed = QStringLiteral("查询失败");

// Only lengths are compared, never the host: the verdict the engine's page layout allows.
QString homePageVerdict(bool homeFirst) {
    return homeFirst ? kHomeFirst : kNotFirst;
}

class ENoFirstResult : public platform::KelvaneError {
public:
    using platform::KelvaneError::KelvaneError;
};

// text: a QString, or a shared page held as UTF-8.
template <typename Text>
QString firstMatch(platform::TRegExp& matcher, const QString& pattern, const Text& text) {
    matcher.setPattern(pattern);
    const QList<platform::RegExpMatch> matches = matcher.Execute(text);
    if (matches.isEmpty())
        throw ENoFirstResult(QStringLiteral("No match"));
    return matches.first().value;
}

const EngineRow& snapshotRow(const char16_t* id) {
    return currentDefinitions().row(id);
}

QString patternOf(const EngineRow& row) {
    return QString::fromUtf16(row.patterns.front());
}

void setBoth(SiteQueryView& view, SiteLabel site, SiteLabel snapshot, const Outcome& outcome) {
    view.setOutcome(SiteField::of(site), outcome);
    view.setOutcome(SiteField::of(snapshot), outcome);
}

} // namespace

namespace {

// page: a QString, or a shared page held as UTF-8.
template <typename Text>
std::optional<QString> cachedCopyLinkIn(platform::TRegExp& matcher, const Text& page) {
    const EngineRow& row = snapshotRow(u"google.cache");
    matcher.setPattern(patternOf(row));
    const QList<platform::RegExpMatch> links = matcher.Execute(page);
    if (links.isEmpty())
        return std::nullopt;
    QString link = StripTokens(links.first().value, textsOf(row.tokens));
    link.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return link;
}

} // namespace

std::optional<QString> CachedCopyLink(platform::TRegExp& matcher, const QString& page) {
    return cachedCopyLinkIn(matcher, page);
}

std::optional<QString> CachedCopyLink(platform::TRegExp& matcher, const platform::PageText& page) {
    return cachedCopyLinkIn(matcher, page);
}

void baiduSiteKz(SiteQueryView& view, SiteQueryContext& query) {
    const QString domain = view.txtUrlText();
    const EngineRow& row = snapshotRow(u"baidu.snapshot");
    platform::TRegExp matcher;
    matcher.setGlobal(true);
    matcher.setIgnoreCase(true);
    matcher.setPattern(patternOf(row));
    const QList<platform::RegExpMatch> matches = matcher.Execute(query.BaiduLastPage);
    const Outcome fromPage{FallbackReason::None, {}, platform::hostFor(QStringLiteral("baidu"))};
    if (matches.isEmpty()) {
        setBoth(view, SiteLabel::lblBaiduSite, SiteLabel::lblBaiduKz,
                {FallbackReason::NoMatch, {}, fromPage.host});
        return;
    }
    query.BaiduLastPage.clear();
    // Cut case-sensitively although the match ignored case: capitals keep their tags.
    const QString value = StripTokens(matches.first().value, textsOf(row.tokens));

    const qsizetype lastSlash = value.lastIndexOf(u'/') + 1;
    view.setLabelText(SiteLabel::lblBaiduSite, homePageVerdict(lastSlash == domain.size() + 1));

    const qsizetype firstSlash = value.indexOf(u'/');
    const QString fromSlash = firstSlash < 0 ? QString() : value.mid(firstSlash);
    view.setLabelText(SiteLabel::lblBaiduKz,
                      TrimSpacesAndControls(StripTokens(fromSlash, {QStringLiteral("/")})));
    setBoth(view, SiteLabel::lblBaiduSite, SiteLabel::lblBaiduKz, fromPage);
}

void googleSiteKz(SiteQueryView& view, SiteQueryContext& query) {
    const QString googleHost = platform::hostFor(QStringLiteral("google"));
    QString askedHost = googleHost;
    try {
        const QString domain = view.txtUrlText();
        platform::TRegExp matcher;
        const EngineRow& headingRow = snapshotRow(u"google.snapshot");
        const QString heading = firstMatch(matcher, patternOf(headingRow), query.GoogleLastPage);
        const QString address = StripTokens(heading, textsOf(headingRow.tokens));
        view.setLabelText(SiteLabel::lblGoogleSite,
                          homePageVerdict(address.size() == domain.size() + 1));
        view.setOutcome(SiteField::of(SiteLabel::lblGoogleSite),
                        {FallbackReason::None, {}, googleHost});
        const Outcome noDate{FallbackReason::NoMatch, {}, googleHost};

        const std::optional<QString> cachedCopy = CachedCopyLink(matcher, query.GoogleLastPage);
        if (!cachedCopy) {
            view.setOutcome(SiteField::of(SiteLabel::lblGoogleKz), noDate);
            return;
        }

        askedHost = HostOfUrl(*cachedCopy);
        const platform::PageText copy = FetchPageText(*cachedCopy, FetchMode::CharsetText, {});
        const EngineRow& dateRow = snapshotRow(u"google.cache.date");
        matcher.setPattern(patternOf(dateRow));
        const QList<platform::RegExpMatch> dates = matcher.Execute(copy);
        if (dates.isEmpty()) {
            view.setOutcome(SiteField::of(SiteLabel::lblGoogleKz),
                            {FallbackReason::NoMatch, {}, askedHost});
            return;
        }
        QString date = StripTokens(dates.first().value, textsOf(dateRow.tokens));
        date.replace(u'年', u'-');
        date.replace(u'月', u'-');
        view.setLabelText(SiteLabel::lblGoogleKz, StripTokens(date, {QStringLiteral(" ")}));
        view.setOutcome(SiteField::of(SiteLabel::lblGoogleKz),
                        {FallbackReason::None, {}, askedHost});
    } catch (const std::exception& error) {
        view.setLabelText(SiteLabel::lblGoogleSite, kFailed);
        view.setLabelText(SiteLabel::lblGoogleKz, kFailed);
        Outcome failed = outcomeOf(FallbackFor(error, kFailed));
        if (dynamic_cast<const ENoFirstResult*>(&error))
            failed.reason = FallbackReason::NoMatch;
        failed.host = askedHost;
        setBoth(view, SiteLabel::lblGoogleSite, SiteLabel::lblGoogleKz, failed);
    }
}

} // namespace kelvane::query
