#include "query/engine_definitions.h"

#include "platform/errors.h"
#include "platform/settings.h"
#include "query/definitions_overlay.h"

#include <QFile>
#include <algorithm>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

namespace kelvane::query {

namespace {

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

// Each profile's built-in rows, compiled in.
constexpr struct {
    platform::EngineProfile profile;
    const char16_t* resource;
    const char16_t* name;
} kBuiltIns[] = {
    {platform::EngineProfile::Classic, u":/kelvane/engines.json", u"engines.json (built in)"},
    {platform::EngineProfile::Today, u":/kelvane/engines-today.json",
     u"engines-today.json (built in)"},
};

const auto& builtInOf(platform::EngineProfile profile) {
    for (const auto& entry : kBuiltIns) {
        if (entry.profile == profile)
            return entry;
    }
    return kBuiltIns[0];
}

const EngineDefinitions* loadBuiltIn(platform::EngineProfile profile) {
    OverlaidSet loaded = overlayDefinitions(builtInDefinitionsText(profile),
                                            QString::fromUtf16(builtInOf(profile).name), nullptr);
    if (!loaded.definitions) {
        QStringList lines;
        for (const DefinitionsProblem& problem : loaded.problems)
            lines << problem.toString();
        qFatal("%s", qPrintable(lines.join(u'\n')));
    }
    return keep(std::move(loaded.definitions));
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

platform::EngineProfile profileInForce() {
    return platform::currentSettings().profile;
}

QByteArray builtInDefinitionsText(platform::EngineProfile profile) {
    QFile file(QString::fromUtf16(builtInOf(profile).resource));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray builtInDefinitionsText() {
    return builtInDefinitionsText(profileInForce());
}

const EngineDefinitions& builtInDefinitions(platform::EngineProfile profile) {
    // Each is loaded at most once; a process that asks for one never pays for the other.
    if (profile == platform::EngineProfile::Classic) {
        static const EngineDefinitions* const set = loadBuiltIn(profile);
        return *set;
    }
    static const EngineDefinitions* const set = loadBuiltIn(profile);
    return *set;
}

const EngineDefinitions& builtInDefinitions() {
    return builtInDefinitions(profileInForce());
}

DefinitionsLoad loadDefinitions(const QByteArray& text, const QString& fileName) {
    OverlaidSet loaded = overlayDefinitions(text, fileName, &builtInDefinitions());
    if (!loaded.definitions)
        return {nullptr, loaded.problems};
    return {keep(std::move(loaded.definitions)), {}};
}

QList<DefinitionsProblem> checkDefinitions(const QByteArray& text, const QString& fileName) {
    return overlayDefinitions(text, fileName, &builtInDefinitions()).problems;
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
