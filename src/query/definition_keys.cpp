#include "query/definition_keys.h"

#include "platform/errors.h"
#include "platform/host_config.h"
#include "platform/regexp.h"
#include "query/definitions_builder.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <cmath>
#include <limits>
#include <optional>
#include <span>

namespace kelvane::query {

namespace {

constexpr const char16_t* kPlaceholders[] = {u"domain", u"keyword", u"page", u"address"};
constexpr int kMostPatterns = 4;
constexpr std::size_t kMostCountTokens = 8;
constexpr int kLongestWaitMs = 600000;
constexpr int kMostPageNumber = 1000000;
constexpr std::size_t kAnyNumber = std::numeric_limits<std::size_t>::max();

// A kind of row: the keys of its own beside kFetchKeys, and how many patterns and tokens its
// procedure reads. A new kind of row is one table of its keys and one row of kKindRules.
struct KindRules {
    EngineRowKind kind;
    std::span<const KeyRule> ownKeys;
    std::size_t mostPatterns;
    std::size_t mostTokens;
};

// Defined under the key tables, which name the readers that ask it.
const KindRules* kindRulesOf(EngineRowKind kind);

std::optional<int> wholeNumber(const QJsonValue& value, int least, int most) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != std::floor(number) || number < least || number > most)
        return std::nullopt;
    return static_cast<int>(number);
}

QString numberProblem(int least, int most) {
    return QStringLiteral("must be a whole number from %1 to %2").arg(least).arg(most);
}

// Why the matcher rejects a pattern, or empty.
QString patternProblem(const QString& pattern) {
    try {
        platform::TRegExp matcher;
        matcher.setPattern(pattern);
        matcher.Test(u"");
    } catch (const platform::EMatcherError& error) {
        return error.message();
    }
    return {};
}

// A list of texts, none empty, of least to most entries; sizeProblem says what is wrong when
// the count is not.
QString readStringList(const QJsonValue& value, RowContext& context,
                       std::vector<const char16_t*>& into, std::size_t least = 0,
                       std::size_t most = kAnyNumber, const QString& sizeProblem = {}) {
    if (!value.isArray())
        return QStringLiteral("must be a list of texts");
    into.clear();
    const QJsonArray list = value.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        context.subPath = u'/' + QString::number(i);
        if (!list[i].isString())
            return QStringLiteral("must be a text");
        // An empty token would cut nothing and only confuse the reader of the file.
        if (list[i].toString().isEmpty())
            return QStringLiteral("must not be empty");
        into.push_back(context.builder.text(list[i].toString()));
    }
    context.subPath.clear();
    if (into.size() < least || into.size() > most)
        return sizeProblem;
    return {};
}

// The readers of plain values, one per type of EngineRow field.
template <bool EngineRow::*field> QString readFlag(const QJsonValue& value, RowContext& context) {
    if (!value.isBool())
        return QStringLiteral("must be true or false");
    context.row.*field = value.toBool();
    return {};
}

template <int EngineRow::*field, int most>
QString readCount(const QJsonValue& value, RowContext& context) {
    const std::optional<int> number = wholeNumber(value, 0, most);
    if (!number)
        return numberProblem(0, most);
    context.row.*field = *number;
    return {};
}

template <const char16_t* EngineRow::*field>
QString readText(const QJsonValue& value, RowContext& context) {
    if (!value.isString())
        return QStringLiteral("must be a text");
    context.row.*field = context.builder.text(value.toString());
    return {};
}

// One of two words: the first sets the field false, the second true.
template <bool EngineRow::*field, const char16_t* no, const char16_t* yes>
QString readChoice(const QJsonValue& value, RowContext& context) {
    if (value == QJsonValue(QString::fromUtf16(no)))
        context.row.*field = false;
    else if (value == QJsonValue(QString::fromUtf16(yes)))
        context.row.*field = true;
    else
        return QStringLiteral("must be \"%1\" or \"%2\"").arg(QStringView(no), QStringView(yes));
    return {};
}

QString readHost(const QJsonValue& value, RowContext& context) {
    if (!value.isString() || !platform::isServiceKey(value.toString()))
        return QStringLiteral("must name a service of the [hosts] section");
    context.row.hostKey = context.builder.text(value.toString());
    return {};
}

// The placeholder names of a path, in order, or a problem.
QString placeholdersOf(const QString& path, QStringList& names, QStringList& pieces) {
    qsizetype from = 0;
    for (qsizetype open = path.indexOf(u'{'); open >= 0; open = path.indexOf(u'{', from)) {
        const qsizetype close = path.indexOf(u'}', open);
        if (close < 0)
            return QStringLiteral("has a \"{\" without \"}\"");
        const QString name = path.mid(open + 1, close - open - 1);
        bool known = false;
        for (const char16_t* placeholder : kPlaceholders)
            known = known || name == QStringView(placeholder);
        if (!known)
            return QStringLiteral("has an unknown placeholder {%1}").arg(name);
        pieces.append(path.mid(from, open - from));
        names.append(name);
        from = close + 1;
    }
    pieces.append(path.mid(from));
    return {};
}

QString readPath(const QJsonValue& value, RowContext& context) {
    if (!value.isString())
        return QStringLiteral("must be a text");
    QStringList names;
    QStringList pieces;
    if (QString problem = placeholdersOf(value.toString(), names, pieces); !problem.isEmpty())
        return problem;
    if (context.builtIn) {
        QStringList wanted;
        QStringList unused;
        placeholdersOf(context.builtIn->value(u"path").toString(), wanted, unused);
        if (names != wanted) {
            QStringList written;
            for (const QString& name : wanted)
                written << u'{' + name + u'}';
            return written.isEmpty() ? QStringLiteral("takes no placeholder")
                                     : QStringLiteral("must hold %1, once each, in this order")
                                           .arg(written.join(QStringLiteral(" and ")));
        }
    }
    context.row.pathPieces.clear();
    for (const QString& piece : pieces)
        context.row.pathPieces.push_back(context.builder.text(piece));
    return {};
}

QString readMode(const QJsonValue& value, RowContext& context) {
    if (value == QJsonValue(QStringLiteral("stream")))
        context.row.mode = FetchMode::Stream;
    else if (value == QJsonValue(QStringLiteral("charset-text")))
        context.row.mode = FetchMode::CharsetText;
    else
        return QStringLiteral("must be \"stream\" or \"charset-text\"");
    return {};
}

QString readUserAgent(const QJsonValue& value, RowContext& context) {
    if (value.isNull())
        context.row.userAgent = nullptr;
    else if (value.isString())
        context.row.userAgent = context.builder.text(value.toString());
    else
        return QStringLiteral("must be a text, or null for the client's own");
    return {};
}

QString readTimeout(const QJsonValue& value, RowContext& context) {
    if (value.isNull()) {
        context.row.readTimeoutMs.reset();
        return {};
    }
    const std::optional<int> number = wholeNumber(value, 1, kLongestWaitMs);
    if (!number)
        return numberProblem(1, kLongestWaitMs) + QStringLiteral(", or null");
    context.row.readTimeoutMs = number;
    return {};
}

QString readPatterns(const QJsonValue& value, RowContext& context) {
    const std::size_t most = kindRulesOf(context.row.kind)->mostPatterns;
    if (QString problem =
            readStringList(value, context, context.row.patterns, 1, most,
                           most > 1 ? QStringLiteral("must hold 1 to %1 patterns").arg(most)
                                    : QStringLiteral("must hold exactly 1 pattern"));
        !problem.isEmpty())
        return problem;
    for (std::size_t i = 0; i < context.row.patterns.size(); ++i) {
        const QString problem = patternProblem(QString::fromUtf16(context.row.patterns[i]));
        if (!problem.isEmpty()) {
            context.subPath = u'/' + QString::number(i);
            return problem;
        }
    }
    return {};
}

QString readTokens(const QJsonValue& value, RowContext& context) {
    const std::size_t most = kindRulesOf(context.row.kind)->mostTokens;
    return readStringList(value, context, context.row.tokens, 0, most,
                          QStringLiteral("must hold at most %1 tokens").arg(most));
}

QString readInputTokens(const QJsonValue& value, RowContext& context) {
    return readStringList(value, context, context.row.inputTokens);
}

QString readNoResults(const QJsonValue& value, RowContext& context) {
    if (!value.isString())
        return QStringLiteral("must be a pattern, or empty for none");
    if (QString problem = patternProblem(value.toString()); !problem.isEmpty())
        return problem;
    context.row.noResults = context.builder.optionalText(value.toString());
    return {};
}

QString readBlockSigns(const QJsonValue& value, RowContext& context) {
    if (value.isNull()) {
        context.row.blockSigns = nullptr;
        return {};
    }
    if (!value.isObject())
        return QStringLiteral("must be an object, or null for none");
    const QJsonObject object = value.toObject();
    BlockSigns signs;
    const std::pair<const char16_t*, const char16_t**> texts[] = {
        {u"hostContains", &signs.hostContains},
        {u"pathStarts", &signs.pathStarts},
        {u"title", &signs.title},
        {u"smallBodyContains", &signs.smallBodyContains},
        {u"bodyContains", &signs.bodyContains},
    };
    for (auto it = object.begin(); it != object.end(); ++it) {
        context.subPath = u'/' + it.key();
        bool known = false;
        for (const auto& [name, field] : texts) {
            if (it.key() != QStringView(name))
                continue;
            known = true;
            if (!it.value().isString())
                return QStringLiteral("must be a text");
            *field = context.builder.optionalText(it.value().toString());
        }
        if (known)
            continue;
        if (it.key() == u"smallBodyBytes") {
            const std::optional<int> bytes = wholeNumber(it.value(), 0, 1 << 20);
            if (!bytes)
                return numberProblem(0, 1 << 20);
            signs.smallBodyBytes = *bytes;
        } else if (it.key() == u"searchPage") {
            if (!it.value().isBool())
                return QStringLiteral("must be true or false");
            signs.searchPage = it.value().toBool();
        } else {
            return QStringLiteral("is not a block sign (hostContains, pathStarts, title, "
                                  "smallBodyContains, smallBodyBytes, bodyContains, searchPage)");
        }
    }
    context.subPath.clear();
    context.row.blockSigns = context.builder.signs(signs);
    return {};
}

QString readClosed(const QJsonValue& value, RowContext& context) {
    // true: closed in a year nobody could confirm; false or 0 reopens a row a file lays over
    // a closed one.
    if (value.isBool()) {
        context.row.closedYear = value.toBool() ? kClosedYearUnknown : 0;
        return {};
    }
    const std::optional<int> year = wholeNumber(value, 0, 2100);
    if (!year || (*year != 0 && *year < 1990))
        return QStringLiteral("must be the year the service closed (1990 to 2100), true when "
                              "the year is not known, or false");
    context.row.closedYear = *year;
    return {};
}

QString readValueKind(const QJsonValue& value, RowContext& context) {
    const std::optional<ValueKind> kind =
        value.isString() ? valueKindFromName(value.toString()) : std::nullopt;
    if (!kind)
        return QStringLiteral("must be \"text\" or \"count\"");
    context.row.value = *kind;
    return {};
}

// A header name is a token of RFC 9110; the client's own headers are not the row's to set.
QString headerNameProblem(const QString& name) {
    static const QStringList kClientOwn = {QStringLiteral("host"),
                                           QStringLiteral("accept-encoding"),
                                           QStringLiteral("user-agent"),
                                           QStringLiteral("cookie"),
                                           QStringLiteral("connection"),
                                           QStringLiteral("content-length"),
                                           QStringLiteral("transfer-encoding"),
                                           QStringLiteral("proxy-authorization")};
    if (name.isEmpty())
        return QStringLiteral("must not be empty");
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool token = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') ||
                           (u >= u'0' && u <= u'9') || QStringView(u"!#$%&'*+-.^_`|~").contains(c);
        if (!token)
            return QStringLiteral("is not a header name");
    }
    if (kClientOwn.contains(name.toLower()))
        return QStringLiteral("is the client's own header (userAgent sets User-Agent)");
    return {};
}

QString readHeaders(const QJsonValue& value, RowContext& context) {
    if (!value.isObject())
        return QStringLiteral("must be an object of header names and texts");
    context.row.headers.clear();
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        context.subPath = u'/' + it.key();
        if (QString problem = headerNameProblem(it.key()); !problem.isEmpty())
            return problem;
        if (!it.value().isString())
            return QStringLiteral("must be a text");
        const QString text = it.value().toString();
        for (const QChar c : text) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                return QStringLiteral("must not hold a control character");
        }
        context.row.headers.emplace_back(context.builder.text(it.key()),
                                         context.builder.text(text));
    }
    context.subPath.clear();
    return {};
}

QString readReplacements(const QJsonValue& value, RowContext& context) {
    if (!value.isArray())
        return QStringLiteral("must be a list of [from, to] pairs");
    context.row.replacements.clear();
    const QJsonArray list = value.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        context.subPath = u'/' + QString::number(i);
        const QJsonArray pair = list[i].toArray();
        if (!list[i].isArray() || pair.size() != 2 || !pair[0].isString() || !pair[1].isString() ||
            pair[0].toString().isEmpty())
            return QStringLiteral("must be a pair [from, to] of texts, from not empty");
        context.row.replacements.emplace_back(context.builder.text(pair[0].toString()),
                                              context.builder.text(pair[1].toString()));
    }
    context.subPath.clear();
    return {};
}

QString readAnswerWord(const QJsonValue& value, RowContext& context) {
    if (!value.isString())
        return QStringLiteral("must be a text");
    context.row.answerWord = context.builder.optionalText(value.toString());
    return {};
}

// Keys any row may hold: where and how its page is fetched and read.
constexpr KeyRule kFetchKeys[] = {
    {u"host", readHost},
    {u"path", readPath},
    {u"mode", readMode},
    {u"userAgent", readUserAgent},
    {u"redirects", readFlag<&EngineRow::followRedirects>},
    {u"readTimeoutMs", readTimeout},
    {u"pump", readFlag<&EngineRow::pumpAtEnd>},
    {u"patterns", readPatterns},
    {u"tokens", readTokens},
    {u"fallback", readText<&EngineRow::fallback>},
    {u"noResults", readNoResults},
    {u"blockSigns", readBlockSigns},
    {u"minIntervalMs", readCount<&EngineRow::minIntervalMs, kLongestWaitMs>},
    {u"closed", readClosed},
    {u"value", readValueKind},
    {u"headers", readHeaders},
};

// The words of the keyword rows' choices, false first.
constexpr char16_t kAnsi[] = u"ansi";
constexpr char16_t kUtf8[] = u"utf-8";
constexpr char16_t kPageLoop[] = u"page-loop";
constexpr char16_t kWholeSearch[] = u"whole-search";

// Keyword rows' own: how the result pages are walked and read.
constexpr KeyRule kKeywordKeys[] = {
    {u"pageStep", readCount<&EngineRow::pageStep, kMostPageNumber>},
    {u"pageBase", readCount<&EngineRow::pageBase, kMostPageNumber>},
    {u"keywordBytes", readChoice<&EngineRow::keywordUtf8, kAnsi, kUtf8>},
    {u"errorText", readText<&EngineRow::errorText>},
    {u"guarded", readChoice<&EngineRow::guardWholeSearch, kPageLoop, kWholeSearch>},
};

// Lookup rows' own: how the input and the answer are rewritten.
constexpr KeyRule kLookupKeys[] = {
    {u"inputTokens", readInputTokens},
    {u"replacements", readReplacements},
    {u"answerWord", readAnswerWord},
};

constexpr KindRules kKindRules[] = {
    // Count rows have always cut with at most 8 tokens; kept so a file's verdict stays.
    {EngineRowKind::Count, {}, kMostPatterns, kMostCountTokens},
    {EngineRowKind::Rank, {}, kMostPatterns, kAnyNumber},
    {EngineRowKind::Snapshot, {}, 1, kAnyNumber},
    {EngineRowKind::Keyword, kKeywordKeys, 1, kAnyNumber},
    {EngineRowKind::Lookup, kLookupKeys, 1, kAnyNumber},
};

const KindRules* kindRulesOf(EngineRowKind kind) {
    for (const KindRules& rules : kKindRules) {
        if (rules.kind == kind)
            return &rules;
    }
    return nullptr;
}

const KeyRule* ruleIn(std::span<const KeyRule> rules, QStringView key) {
    for (const KeyRule& rule : rules) {
        if (key == QStringView(rule.name))
            return &rule;
    }
    return nullptr;
}

} // namespace

const KeyRule* keyRuleFor(EngineRowKind kind, QStringView key) {
    // A kind without rules takes no key: the built-in file then fails to load, loudly.
    const KindRules* rules = kindRulesOf(kind);
    if (!rules)
        return nullptr;
    const KeyRule* rule = ruleIn(kFetchKeys, key);
    return rule ? rule : ruleIn(rules->ownKeys, key);
}

} // namespace kelvane::query
