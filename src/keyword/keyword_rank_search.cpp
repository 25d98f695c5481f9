#include "keyword/keyword_rank_search.h"

#include "keyword/keyword_engines.h"
#include "net/idhttp.h"
#include "platform/errors.h"
#include "platform/host_config.h"
#include "platform/locale_info.h"
#include "platform/regexp.h"
#include "query/fetch_and_extract.h"
#include "query/pacing.h"

#include <exception>
#include <memory>

namespace kelvane::keyword {

namespace {

const WorkingStateWatch* gWatch = nullptr;

// The client, buffer and matcher that serve every page of one search.
struct WorkingState {
    WorkingState() {
        http.Request.UserAgent.clear(); // no User-Agent header
        http.HandleRedirects = true;
        http.ReadTimeout = 1000;
    }
    ~WorkingState() {
        if (gWatch && gWatch->onRelease)
            gWatch->onRelease();
    }
    WorkingState(const WorkingState&) = delete;
    WorkingState& operator=(const WorkingState&) = delete;

    net::TIdHTTP http;
    QByteArray buffer;
    platform::TRegExp matcher;
};

std::unique_ptr<WorkingState> createWorkingState() {
    if (gWatch && gWatch->onCreate)
        gWatch->onCreate();
    return std::make_unique<WorkingState>();
}

// What a search knows when it ends, however it ends.
struct SearchProgress {
    QString currentUrl;
    bool found = false;
    qint64 rank = 0;
};

RankSearchResult failedResult(const KeywordEngineSpec& spec, const SearchProgress& progress,
                              const std::exception& error) {
    const query::FetchOutcome failure = query::FallbackFor(error, {});
    query::Outcome why = query::outcomeOf(failure);
    why.host = query::HostOfUrl(platform::originFor(QStringView(spec.hostKey).toString()));
    return {QStringView(spec.errorText).toString(),
            progress.currentUrl,
            RankSearchOutcome::Failed,
            0,
            failure.errorMessage,
            why};
}

// Raises EBlockedAnswer when the last answer shows one of the engine's block signs; tells
// the pacer what the answer showed.
void checkAnswer(const KeywordEngineSpec& spec, const net::TIdHTTP& http, const QString& url,
                 const QByteArray& body) {
    const int status = http.Response().ResponseCode;
    std::optional<QString> sign;
    if (spec.blockSigns) {
        const query::AnswerFacts facts{status, http.Response().header(QStringLiteral("Location")),
                                       http.URL().isEmpty() ? url : http.URL(), body};
        sign = query::FindBlockSign(*spec.blockSigns, facts);
    }
    if (query::Pacer* pacer = query::currentPacer())
        pacer->noteAnswer(query::pacingHostOf(url), status, sign);
    if (sign)
        throw query::EBlockedAnswer(*sign);
}

// What the row asks of the client beyond the search's own settings.
void applyRow(const query::EngineRow* row, net::TIdHTTP& http) {
    if (!row)
        return;
    if (row->userAgent)
        http.Request.UserAgent = QString::fromUtf16(row->userAgent);
    for (const auto& [name, value] : row->headers)
        http.Request.addHeader(QString::fromUtf16(name), QString::fromUtf16(value));
}

bool isNoResultsPage(const query::EngineRow& row, const QString& text) {
    platform::TRegExp matcher;
    matcher.setPattern(QString::fromUtf16(row.noResults));
    return !matcher.Execute(text).isEmpty();
}

// Requests pages until the site turns up. Raises whatever the exchange or the matcher raises.
void runPages(const KeywordEngineSpec& spec, WorkingState& state, const QString& origin,
              const QString& encodedKeyword, const QString& wantedSite, const QLocale& locale,
              qint64 startPage, qint64 endPage, const ProgressSink& sink,
              SearchProgress& progress) {
    for (qint64 page = startPage; page <= endPage; ++page) {
        progress.currentUrl = KeywordPageUrl(spec, origin, encodedKeyword, page);
        if (sink)
            sink(PageProgressText(page));
        if (spec.row && spec.row->closedYear)
            throw query::EServiceClosed(spec.row->closedYear);
        query::AdmitRequest(progress.currentUrl);
        try {
            state.http.GetToStream(progress.currentUrl, state.buffer);
        } catch (const platform::KelvaneError&) {
            // A captcha redirect or a refusal reads as a block, not as a status error, and
            // not as the failed connection to the captcha's own host that a redirect may end in.
            checkAnswer(spec, state.http, progress.currentUrl, {});
            throw;
        }
        checkAnswer(spec, state.http, progress.currentUrl, state.buffer);
        const query::FetchMode mode = spec.row ? spec.row->mode : query::FetchMode::Stream;
        const QString text =
            query::DecodePage(state.buffer, mode, state.http.Response().ContentType());
        // Setting the pattern again would recompile it for every page.
        if (state.matcher.Pattern() != QStringView(spec.pattern))
            state.matcher.setPattern(QStringView(spec.pattern).toString());
        const QList<platform::RegExpMatch> entries = state.matcher.Execute(text);
        if (entries.isEmpty() && spec.row && spec.row->noResults &&
            !isNoResultsPage(*spec.row, text))
            throw query::EChangedPage(); // not the page of no results: it says nothing
        const qsizetype entry = FirstEntryHoldingSite(entries, wantedSite, locale);
        if (entry > 0) {
            progress.rank = (page - 1) * 10 + entry;
            progress.found = true;
        }
        state.buffer.resize(0);
        if (progress.found)
            return;
    }
}

RankSearchResult search(const KeywordEngineSpec& spec, const QString& site, const QString& keyword,
                        int startPage, int endPage, const ProgressSink& sink,
                        SearchProgress& progress) {
    std::unique_ptr<WorkingState> state = createWorkingState();
    applyRow(spec.row, state->http);
    const QString origin = platform::originFor(QStringView(spec.hostKey).toString());
    const QString encodedKeyword = EncodeKeyword(spec, keyword);
    state->matcher.setMultiline(true);
    state->matcher.setGlobal(true);
    state->matcher.setIgnoreCase(false);
    const QLocale locale = platform::userLocale();
    const QString wantedSite = locale.toUpper(site);

    if (spec.guarded == GuardedRegion::PageLoop) {
        try {
            runPages(spec, *state, origin, encodedKeyword, wantedSite, locale, startPage, endPage,
                     sink, progress);
        } catch (const std::exception& error) {
            state.reset();
            return failedResult(spec, progress, error);
        }
    } else {
        runPages(spec, *state, origin, encodedKeyword, wantedSite, locale, startPage, endPage, sink,
                 progress);
    }
    state.reset();
    query::Outcome why{progress.found ? query::FallbackReason::None
                                      : query::FallbackReason::NoMatch,
                       {},
                       query::HostOfUrl(origin)};
    return {RankText(progress.rank),
            progress.currentUrl,
            progress.found ? RankSearchOutcome::Found : RankSearchOutcome::NotFound,
            progress.rank,
            {},
            why};
}

} // namespace

qsizetype FirstEntryHoldingSite(const QList<platform::RegExpMatch>& entries,
                                const QString& wantedSite, const QLocale& locale) {
    // An empty site would be "contained" in every entry; it never matches.
    if (wantedSite.isEmpty())
        return 0;
    for (qsizetype n = 0; n < entries.size(); ++n) {
        if (locale.toUpper(entries[n].value).contains(wantedSite))
            return n + 1;
    }
    return 0;
}

QString RankText(qint64 rank) {
    return QStringLiteral("搜索排名第 %1 位").arg(rank);
}

QString PageProgressText(qint64 page) {
    return QStringLiteral("正在查询第 %1 页").arg(page);
}

RankSearchResult KeywordRankSearch(query::EngineId engine, const QString& site,
                                   const QString& keyword, int startPage, int endPage,
                                   const ProgressSink& progress) {
    const KeywordEngineSpec& spec = KeywordEngine(engine);
    SearchProgress state;
    if (spec.guarded == GuardedRegion::PageLoop)
        return search(spec, site, keyword, startPage, endPage, progress, state);
    try {
        return search(spec, site, keyword, startPage, endPage, progress, state);
    } catch (const std::exception& error) {
        // The working state was released while the error left search().
        return failedResult(spec, state, error);
    }
}

ScopedWorkingStateWatch::ScopedWorkingStateWatch(WorkingStateWatch watch)
    : watch_(std::move(watch)), previous_(gWatch) {
    gWatch = &watch_;
}

ScopedWorkingStateWatch::~ScopedWorkingStateWatch() {
    gWatch = previous_;
}

} // namespace kelvane::keyword
