#include "query/engine_definitions.h"

#include "platform/errors.h"
#include "platform/host_config.h"
#include "platform/regexp.h"
#include "query/engine_row_ids.h"
#include "query/json_positions.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>

namespace kelvane::query {

namespace {

constexpr const char16_t* kPlaceholders[] = {u"domain", u"keyword", u"page", u"address"};
constexpr int kMostPatterns = 4;
constexpr std::size_t kMostCountTokens = 8;
constexpr int kLongestWaitMs = 600000;

const QString kBuiltInName = QStringLiteral("engines.json (built in)");

} // namespace

// Turns checked data into a set's rows, holding every text in the set.
class DefinitionsBuilder {
public:
    explicit DefinitionsBuilder(EngineDefinitions& into) : into_(into) {}

    const char16_t* text(const QString& value) {
        into_.texts_.emplace_back(reinterpret_cast<const char16_t*>(value.utf16()), value.size());
        return into_.texts_.back().c_str();
    }
    // Empty text: not given.
    const char16_t* optionalText(const QString& value) {
        return value.isEmpty() ? nullptr : text(value);
    }
    const BlockSigns* signs(const BlockSigns& value) {
        into_.signs_.push_back(value);
        return &into_.signs_.back();
    }
    void add(EngineRow row, QJsonObject object) {
        into_.rows_.push_back(std::move(row));
        into_.objects_.push_back(std::move(object));
    }

private:
    EngineDefinitions& into_;
};

namespace {

// What a key's reader sees: the row being made, the built-in row it overrides.
struct RowContext {
    DefinitionsBuilder& builder;
    EngineRow& row;
    const QJsonObject* builtIn; // null while the built-ins themselves are read
    QString subPath;            // where in the value a problem lies, when deeper than the key
};

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

struct KeyRule {
    const char16_t* name;
    QString (*read)(const QJsonValue& value, RowContext& context);
};

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

const KeyRule* ruleFor(const QString& key) {
    for (const KeyRule& rule : kKeyRules) {
        if (key == QStringView(rule.name))
            return &rule;
    }
    return nullptr;
}

// The file being read, to place each problem.
class Reading {
public:
    Reading(QString file, const QByteArray& text) : file_(std::move(file)), text_(text) {}

    void setPositions() { positions_ = jsonPositions(text_); }

    void atOffset(qsizetype offset, const QString& problem) {
        const TextPlace place = placeOfOffset(text_, offset);
        problems.append({file_, place.line, place.column, problem});
    }

    // At the path, or the nearest enclosing place the scan found.
    void at(QString path, const QString& problem) {
        while (!path.isEmpty() && !positions_.contains(path))
            path.truncate(path.lastIndexOf(u'/'));
        atOffset(positions_.value(path, 0), problem);
    }

    QList<DefinitionsProblem> problems;

private:
    QString file_;
    const QByteArray& text_;
    QHash<QString, qsizetype> positions_;
};

std::mutex gSetsMutex;
// Every set ever put together lives on, so rows handed out never dangle; a program loads one
// or two.
std::deque<std::unique_ptr<EngineDefinitions>> gSets;
std::atomic<const EngineDefinitions*> gCurrent{nullptr};

const EngineDefinitions* keep(std::unique_ptr<EngineDefinitions> set) {
    std::lock_guard lock(gSetsMutex);
    gSets.push_back(std::move(set));
    return gSets.back().get();
}

struct Loaded {
    std::unique_ptr<EngineDefinitions> definitions;
    QList<DefinitionsProblem> problems;
};

// Reads a file over base (null: the file is the built-in set and must give every row whole).
Loaded load(const QByteArray& text, const QString& fileName, const EngineDefinitions* base) {
    Reading reading(fileName, text);
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        reading.atOffset(parseError.offset, parseError.errorString());
        return {nullptr, reading.problems};
    }
    reading.setPositions();
    if (!document.isObject()) {
        reading.atOffset(0, QStringLiteral("the file must hold one object with \"rows\""));
        return {nullptr, reading.problems};
    }
    const QJsonObject top = document.object();
    for (const QString& key : top.keys()) {
        if (key != u"format" && key != u"note" && key != u"rows")
            reading.at(u'/' + key,
                       QStringLiteral("unknown key \"%1\" (format, note, rows)").arg(key));
    }
    if (top.contains(u"format") && top.value(u"format") != QJsonValue(1))
        reading.at(QStringLiteral("/format"), QStringLiteral("format must be 1"));
    if (top.contains(u"note") && !top.value(u"note").isString())
        reading.at(QStringLiteral("/note"), QStringLiteral("note must be a text"));
    if (top.contains(u"rows") && !top.value(u"rows").isArray())
        reading.at(QStringLiteral("/rows"), QStringLiteral("rows must be a list of objects"));

    // Start from the base's rows; a file row replaces the keys it names.
    std::vector<QString> ids;
    std::vector<QJsonObject> merged;
    std::vector<QHash<QString, QString>> pathOfKey; // key to its place in the file
    std::vector<QString> rowPath;
    if (base) {
        for (std::size_t i = 0; i < base->rows().size(); ++i) {
            ids.push_back(QString::fromUtf16(base->rows()[i].id));
            merged.push_back(base->rowObject(i));
            pathOfKey.emplace_back();
            rowPath.emplace_back();
        }
    }
    const QJsonArray rows = top.value(u"rows").toArray();
    QSet<QString> seen;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QString path = QStringLiteral("/rows/%1").arg(i);
        const QJsonObject row = rows[i].toObject();
        const QString id = row.value(u"id").toString();
        if (!rows[i].isObject() || id.isEmpty()) {
            reading.at(path, QStringLiteral("a row must be an object with a text \"id\""));
            continue;
        }
        const RowIdentity* identity = identityOf(id);
        if (!identity) {
            reading.at(path + QStringLiteral("/id"), QStringLiteral("unknown row \"%1\"").arg(id));
            continue;
        }
        if (seen.contains(id)) {
            reading.at(path + QStringLiteral("/id"),
                       QStringLiteral("row \"%1\" is given twice").arg(id));
            continue;
        }
        seen.insert(id);
        auto found = std::find(ids.begin(), ids.end(), id);
        if (found == ids.end()) {
            ids.push_back(id);
            merged.emplace_back();
            pathOfKey.emplace_back();
            rowPath.emplace_back();
            found = ids.end() - 1;
        }
        const std::size_t index = found - ids.begin();
        rowPath[index] = path;
        QJsonObject& target = merged[index];
        target.insert(QStringLiteral("id"), id);
        for (auto it = row.begin(); it != row.end(); ++it) {
            if (it.key() == u"id")
                continue;
            const bool known = it.key() == u"note" ||
                               (base ? target.contains(it.key()) : ruleFor(it.key()) != nullptr);
            if (!known) {
                reading.at(path + u'/' + it.key(),
                           QStringLiteral("unknown key \"%1\" for row \"%2\"").arg(it.key(), id));
                continue;
            }
            target.insert(it.key(), it.value());
            pathOfKey[index].insert(it.key(), path + u'/' + it.key());
        }
    }
    if (!base) {
        for (const RowIdentity& identity : rowIdentities()) {
            if (std::find(ids.begin(), ids.end(), QString::fromUtf16(identity.id)) == ids.end())
                reading.atOffset(
                    0,
                    QStringLiteral("row \"%1\" is missing").arg(QString::fromUtf16(identity.id)));
        }
    }
    // The rows that were read are still checked, so one pass names every problem.
    if (!base && !reading.problems.isEmpty())
        return {nullptr, reading.problems};

    auto set = std::make_unique<EngineDefinitions>();
    DefinitionsBuilder builder(*set);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        EngineRow row;
        row.id = builder.text(ids[i]);
        row.kind = identityOf(ids[i])->kind;
        const QJsonObject* builtIn = base ? &base->rowObject(i) : nullptr;
        for (auto it = merged[i].begin(); it != merged[i].end(); ++it) {
            const KeyRule* rule = ruleFor(it.key());
            if (!rule)
                continue; // id and note
            RowContext context{builder, row, builtIn, {}};
            const QString problem = rule->read(it.value(), context);
            if (problem.isEmpty())
                continue;
            const QString keyPath = pathOfKey[i].value(it.key(), rowPath[i]);
            reading.at(keyPath + context.subPath,
                       QStringLiteral("row \"%1\", %2: %3").arg(ids[i], it.key(), problem));
        }
        builder.add(std::move(row), merged[i]);
    }
    if (!reading.problems.isEmpty()) {
        std::stable_sort(reading.problems.begin(), reading.problems.end(),
                         [](const DefinitionsProblem& a, const DefinitionsProblem& b) {
                             return std::pair(a.line, a.column) < std::pair(b.line, b.column);
                         });
        return {nullptr, reading.problems};
    }
    return {std::move(set), {}};
}

} // namespace

const EngineRow& EngineDefinitions::row(QStringView id) const {
    if (const EngineRow* found = find(id))
        return *found;
    throw platform::KelvaneError(QStringLiteral("No engine row \"%1\".").arg(id));
}

const EngineRow* EngineDefinitions::find(QStringView id) const {
    for (const EngineRow& candidate : rows_) {
        if (id == QStringView(candidate.id))
            return &candidate;
    }
    return nullptr;
}

QString DefinitionsProblem::toString() const {
    return QStringLiteral("%1:%2:%3: %4").arg(file).arg(line).arg(column).arg(text);
}

QByteArray builtInDefinitionsText() {
    QFile file(QStringLiteral(":/kelvane/engines.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

const EngineDefinitions& builtInDefinitions() {
    static const EngineDefinitions* const builtIn = [] {
        Loaded loaded = load(builtInDefinitionsText(), kBuiltInName, nullptr);
        if (!loaded.definitions) {
            QStringList lines;
            for (const DefinitionsProblem& problem : loaded.problems)
                lines << problem.toString();
            qFatal("%s", qPrintable(lines.join(u'\n')));
        }
        return keep(std::move(loaded.definitions));
    }();
    return *builtIn;
}

DefinitionsLoad loadDefinitions(const QByteArray& text, const QString& fileName) {
    Loaded loaded = load(text, fileName, &builtInDefinitions());
    if (!loaded.definitions)
        return {nullptr, loaded.problems};
    return {keep(std::move(loaded.definitions)), {}};
}

QList<DefinitionsProblem> checkDefinitions(const QByteArray& text, const QString& fileName) {
    return load(text, fileName, &builtInDefinitions()).problems;
}

DefinitionsLoad loadDefinitionsFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {nullptr, {{path, 1, 1, QStringLiteral("the file cannot be read")}}};
    return loadDefinitions(file.readAll(), path);
}

const EngineDefinitions& currentDefinitions() {
    const EngineDefinitions* current = gCurrent.load();
    return current ? *current : builtInDefinitions();
}

void setCurrentDefinitions(const EngineDefinitions& definitions) {
    gCurrent.store(&definitions);
}

QStringList useDefinitionsFile(const QString& path) {
    setCurrentDefinitions(builtInDefinitions());
    if (path.isEmpty())
        return {};
    const DefinitionsLoad loaded = loadDefinitionsFile(path);
    QStringList lines;
    for (const DefinitionsProblem& problem : loaded.problems)
        lines << problem.toString();
    if (loaded.definitions)
        setCurrentDefinitions(*loaded.definitions);
    else
        lines << QStringLiteral("%1: the built-in engine definitions are used.").arg(path);
    return lines;
}

int minIntervalMsFor(const QString& hostKey) {
    int longest = 0;
    for (const EngineRow& row : currentDefinitions().rows()) {
        if (row.hostKey && hostKey == QStringView(row.hostKey))
            longest = std::max(longest, row.minIntervalMs);
    }
    return longest;
}

ScopedDefinitions::ScopedDefinitions(const EngineDefinitions& definitions)
    : previous_(&currentDefinitions()) {
    setCurrentDefinitions(definitions);
}

ScopedDefinitions::~ScopedDefinitions() {
    setCurrentDefinitions(*previous_);
}

} // namespace kelvane::query
