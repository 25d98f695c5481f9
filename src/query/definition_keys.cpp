#include "query/definition_keys.h"

#include "platform/errors.h"
#include "platform/host_config.h"
#include "platform/regexp.h"
#include "query/definitions_builder.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <cmath>
#include <optional>

namespace kelvane::query {

namespace {

constexpr const char16_t* kPlaceholders[] = {u"domain", u"keyword", u"page", u"address"};
constexpr int kMostPatterns = 4;
constexpr std::size_t kMostCountTokens = 8;
constexpr int kLongestWaitMs = 600000;

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

QString readStringList(const QJsonValue& value, RowContext& context,
                       std::vector<const char16_t*>& into, bool allowEmpty) {
    if (!value.isArray())
        return QStringLiteral("must be a list of texts");
    into.clear();
    const QJsonArray list = value.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        context.subPath = u'/' + QString::number(i);
        if (!list[i].isString())
            return QStringLiteral("must be a text");
        // An empty token would cut nothing and only confuse the reader of the file.
        if (!allowEmpty && list[i].toString().isEmpty())
            return QStringLiteral("must not be empty");
        into.push_back(context.builder.text(list[i].toString()));
    }
    context.subPath.clear();
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

QString readRedirects(const QJsonValue& value, RowContext& context) {
    if (!value.isBool())
        return QStringLiteral("must be true or false");
    context.row.followRedirects = value.toBool();
    return {};
}

QString readPump(const QJsonValue& value, RowContext& context) {
    if (!value.isBool())
        return QStringLiteral("must be true or false");
    context.row.pumpAtEnd = value.toBool();
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
    if (QString problem = readStringList(value, context, context.row.patterns, false);
        !problem.isEmpty())
        return problem;
    const bool several =
        context.row.kind == EngineRowKind::Count || context.row.kind == EngineRowKind::Rank;
    const std::size_t most = several ? kMostPatterns : 1;
    if (context.row.patterns.empty() || context.row.patterns.size() > most)
        return several ? QStringLiteral("must hold 1 to %1 patterns").arg(kMostPatterns)
                       : QStringLiteral("must hold exactly 1 pattern");
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
    if (QString problem = readStringList(value, context, context.row.tokens, false);
        !problem.isEmpty())
        return problem;
    // The count rows keep their tokens in a fixed array.
    if (context.row.kind == EngineRowKind::Count && context.row.tokens.size() > kMostCountTokens)
        return QStringLiteral("must hold at most %1 tokens").arg(kMostCountTokens);
    return {};
}

QString readInputTokens(const QJsonValue& value, RowContext& context) {
    return readStringList(value, context, context.row.inputTokens, false);
}

QString readFallback(const QJsonValue& value, RowContext& context) {
    if (!value.isString())
        return QStringLiteral("must be a text");
    context.row.fallback = context.builder.text(value.toString());
    return {};
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
                                  "smallBodyContains, smallBodyBytes, searchPage)");
        }
    }
    context.subPath.clear();
    context.row.blockSigns = context.builder.signs(signs);
    return {};
}

QString readMinInterval(const QJsonValue& value, RowContext& context) {
    const std::optional<int> number = wholeNumber(value, 0, kLongestWaitMs);
    if (!number)
        return numberProblem(0, kLongestWaitMs);
    context.row.minIntervalMs = *number;
    return {};
}

QString readPageStep(const QJsonValue& value, RowContext& context) {
    const std::optional<int> number = wholeNumber(value, 0, 1000000);
    if (!number)
        return numberProblem(0, 1000000);
    context.row.pageStep = *number;
    return {};
}

QString readPageBase(const QJsonValue& value, RowContext& context) {
    const std::optional<int> number = wholeNumber(value, 0, 1000000);
    if (!number)
        return numberProblem(0, 1000000);
    context.row.pageBase = *number;
    return {};
}

QString readKeywordBytes(const QJsonValue& value, RowContext& context) {
    if (value == QJsonValue(QStringLiteral("ansi")))
        context.row.keywordUtf8 = false;
    else if (value == QJsonValue(QStringLiteral("utf-8")))
        context.row.keywordUtf8 = true;
    else
        return QStringLiteral("must be \"ansi\" or \"utf-8\"");
    return {};
}

QString readErrorText(const QJsonValue& value, RowContext& context) {
    if (!value.isString())
        return QStringLiteral("must be a text");
    context.row.errorText = context.builder.text(value.toString());
    return {};
}

QString readGuarded(const QJsonValue& value, RowContext& context) {
    if (value == QJsonValue(QStringLiteral("page-loop")))
        context.row.guardWholeSearch = false;
    else if (value == QJsonValue(QStringLiteral("whole-search")))
        context.row.guardWholeSearch = true;
    else
        return QStringLiteral("must be \"page-loop\" or \"whole-search\"");
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

// Adding a key is adding a row here and a field to EngineRow.
constexpr KeyRule kKeyRules[] = {
    {u"host", readHost},
    {u"path", readPath},
    {u"mode", readMode},
    {u"userAgent", readUserAgent},
    {u"redirects", readRedirects},
    {u"readTimeoutMs", readTimeout},
    {u"pump", readPump},
    {u"patterns", readPatterns},
    {u"tokens", readTokens},
    {u"fallback", readFallback},
    {u"noResults", readNoResults},
    {u"blockSigns", readBlockSigns},
    {u"minIntervalMs", readMinInterval},
    {u"pageStep", readPageStep},
    {u"pageBase", readPageBase},
    {u"keywordBytes", readKeywordBytes},
    {u"errorText", readErrorText},
    {u"guarded", readGuarded},
    {u"inputTokens", readInputTokens},
    {u"replacements", readReplacements},
    {u"answerWord", readAnswerWord},
};

} // namespace

const KeyRule* keyRuleFor(QStringView key) {
    for (const KeyRule& rule : kKeyRules) {
        if (key == QStringView(rule.name))
            return &rule;
    }
    return nullptr;
}

} // namespace kelvane::query
