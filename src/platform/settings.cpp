#include "platform/settings.h"

#include "platform/host_config.h"
#include "platform/install_layout.h"
#include "platform/name_table.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <limits>
#include <mutex>
#include <optional>

namespace kelvane::platform {

namespace {

// Checks and stores one value; an empty answer means it was taken, otherwise it says what a
// good value looks like.
using Apply = QString (*)(const QString& value, Settings& into);

struct Key {
    const char16_t* section;
    const char16_t* name;
    // The built-in value as the file would write it (a test holds it to the defaults).
    const char16_t* builtIn;
    Apply apply;
};

// The largest a time may be (a billion ms is eleven days; a billion s, thirty years): past it,
// the clock arithmetic of the waits would overflow.
constexpr qint64 kMaxWholeNumber = 1'000'000'000;

// Group: the group of settings (exchange, pacing); Field: the number in it.
template <auto Group, auto Field, qint64 Max = kMaxWholeNumber>
QString wholeNumber(const QString& value, Settings& into) {
    bool ok = false;
    const qint64 number = value.trimmed().toLongLong(&ok);
    if (!ok || number < 0 || number > Max)
        return QStringLiteral("a whole number from 0 to %1").arg(Max);
    (into.*Group).*Field = number;
    return {};
}

QString onOff(const QString& value, bool& into) {
    const QString word = value.trimmed().toLower();
    if (word == u"on" || word == u"true" || word == u"yes" || word == u"1")
        into = true;
    else if (word == u"off" || word == u"false" || word == u"no" || word == u"0")
        into = false;
    else
        return QStringLiteral("on or off");
    return {};
}

QString followHttps(const QString& value, Settings& into) {
    const QString wanted = onOff(value, into.exchange.followHttps);
    into.httpsWritten = wanted.isEmpty();
    return wanted;
}

QString caFile(const QString& value, Settings& into) {
    const QString path = value.trimmed();
    if (!path.isEmpty() && !QFileInfo(path).isReadable())
        return QStringLiteral("a readable file");
    into.exchange.caFile = path;
    return {};
}

QString proxy(const QString& value, Settings& into) {
    const std::optional<platform::ProxyConfig> parsed = platform::parseProxyUrl(value);
    if (!parsed)
        return QStringLiteral("http://[user:password@]host:port or "
                              "socks5://[user:password@]host:port");
    into.exchange.proxy = *parsed;
    return {};
}

QString noProxy(const QString& value, Settings& into) {
    into.exchange.noProxy = platform::parseNoProxy(value);
    return {};
}

QString enginesFile(const QString& value, Settings& into) {
    into.enginesFile = value.trimmed();
    return {};
}

QString profile(const QString& value, Settings& into) {
    const std::optional<EngineProfile> named = profileFromName(value.trimmed());
    if (!named)
        return QStringLiteral("today or classic");
    into.profile = *named;
    return {};
}

constexpr Named<EngineProfile> kProfiles[] = {{EngineProfile::Today, u"today"},
                                              {EngineProfile::Classic, u"classic"}};

// Adding a key is adding a row.
constexpr Key kKeys[] = {
    {u"network", u"deadline_ms", u"20000",
     wholeNumber<&Settings::exchange, &ExchangeSettings::deadlineMs>},
    {u"network", u"max_body_bytes", u"33554432",
     wholeNumber<&Settings::exchange, &ExchangeSettings::maxBodyBytes, qint64(1) << 40>},
    {u"network", u"https", u"off", followHttps},
    {u"network", u"ca_file", u"", caFile},
    {u"network", u"proxy", u"", proxy},
    {u"network", u"no_proxy", u"", noProxy},
    {u"network", u"min_interval_ms", u"0",
     wholeNumber<&Settings::pacing, &PacingSettings::minIntervalMs>},
    {u"network", u"jitter_ms", u"0", wholeNumber<&Settings::pacing, &PacingSettings::jitterMs>},
    {u"network", u"block_pause_s", u"3600",
     wholeNumber<&Settings::pacing, &PacingSettings::blockPauseS>},
    {u"network", u"refusal_pause_s", u"180",
     wholeNumber<&Settings::pacing, &PacingSettings::refusalPauseS>},
    {u"engines", u"file", u"", enginesFile},
    {u"engines", u"profile", u"today", profile},
};

const Key* findKey(const QString& section, const QString& name) {
    for (const Key& key : kKeys) {
        if (section == QStringView(key.section) && name == QStringView(key.name))
            return &key;
    }
    return nullptr;
}

bool isKnownSection(const QString& section) {
    if (section == u"hosts")
        return true;
    for (const Key& key : kKeys) {
        if (section == QStringView(key.section))
            return true;
    }
    return false;
}

// QSettings splits a value at commas; the file means the text as written.
QString textOf(const QVariant& value) {
    return value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',')
                                                    : value.toString();
}

void readSection(QSettings& ini, const QString& section, const QString& file, Settings& into) {
    ini.beginGroup(section);
    for (const QString& name : ini.childKeys()) {
        const QString value = textOf(ini.value(name));
        if (section == u"hosts") {
            if (!isServiceKey(name))
                into.problems.append(QStringLiteral("%1: unknown key \"%2\" in [hosts] is ignored.")
                                         .arg(file, name));
            else if (!value.trimmed().isEmpty())
                into.hosts.insert(name, value.trimmed());
            continue;
        }
        const Key* key = findKey(section, name);
        if (!key) {
            into.problems.append(QStringLiteral("%1: unknown key \"%2\" in [%3] is ignored.")
                                     .arg(file, name, section));
            continue;
        }
        const QString wanted = key->apply(value, into);
        if (!wanted.isEmpty()) {
            into.problems.append(QStringLiteral("%1: [%2] %3 = \"%4\" is not %5; %6 is used.")
                                     .arg(file, section, name, value, wanted,
                                          *key->builtIn ? QString::fromUtf16(key->builtIn)
                                                        : QStringLiteral("none")));
        }
    }
    ini.endGroup();
}

std::mutex gMutex;
std::optional<Settings> gCurrent;
std::optional<EngineProfile> gOverride;

// The profile the environment names for this process (scripts, and the tests, which run the
// original's behaviour unless they say otherwise).
void applyEnvironmentProfile(Settings& settings) {
    const QString named = qEnvironmentVariable("KELVANE_PROFILE").trimmed();
    if (named.isEmpty())
        return;
    if (const std::optional<EngineProfile> profile = profileFromName(named))
        useProfile(settings, *profile);
    else
        settings.problems.append(
            QStringLiteral("KELVANE_PROFILE = \"%1\" is not today or classic; it is ignored.")
                .arg(named));
}

} // namespace

QString profileName(EngineProfile profile) {
    return nameIn(kProfiles, profile);
}

std::optional<EngineProfile> profileFromName(QStringView name) {
    return valueIn(kProfiles, name, Qt::CaseInsensitive);
}

void useProfile(Settings& settings, EngineProfile profile) {
    settings.profile = profile;
    // Today's engines send http to https and their captcha to hosts of their own; the original
    // refused https where the user had not chosen it.
    if (!settings.httpsWritten)
        settings.exchange.followHttps = profile == EngineProfile::Today;
}

void overrideProfile(EngineProfile profile) {
    std::lock_guard lock(gMutex);
    gOverride = profile;
    if (gCurrent)
        useProfile(*gCurrent, profile);
}

QStringList builtInLines() {
    QStringList lines;
    for (const Key& key : kKeys) {
        lines.append(
            QStringLiteral("[%1] %2 = %3")
                .arg(QStringView(key.section), QStringView(key.name), QStringView(key.builtIn)));
    }
    return lines;
}

QString settingsFilePath() {
    const QString named = qEnvironmentVariable("KELVANE_CONFIG");
    if (!named.isEmpty())
        return named;
    // In order of preference; the first that exists is read. An installed program also looks
    // where the user's own settings live, as it keeps its data in the user's folder too.
    const QString besideProgram = QDir(executableDir()).filePath(QStringLiteral("kelvane.ini"));
    const QString candidates[] = {
        besideProgram,
        platform::usesUserDataFolder(executableDir()) ? platform::userConfigFile() : QString(),
    };
    for (const QString& candidate : candidates) {
        if (!candidate.isEmpty() && QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

namespace {

void readFileInto(const QString& path, Settings& settings) {
    if (path.isEmpty())
        return;
    const QString file = QFileInfo(path).fileName();
    if (!QFileInfo(path).isFile()) {
        settings.problems.append(
            QStringLiteral("%1: the settings file cannot be found; built-in defaults are used.")
                .arg(path));
        return;
    }
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        settings.problems.append(
            QStringLiteral("%1: the settings file cannot be read; built-in defaults are used.")
                .arg(path));
        return;
    }
    for (const QString& section : ini.childGroups()) {
        if (!isKnownSection(section)) {
            settings.problems.append(
                QStringLiteral("%1: unknown section [%2] is ignored.").arg(file, section));
            continue;
        }
        readSection(ini, section, file, settings);
    }
    for (const QString& name : ini.childKeys()) {
        settings.problems.append(
            QStringLiteral("%1: key \"%2\" outside any section is ignored.").arg(file, name));
    }
    if (!settings.enginesFile.isEmpty() && QFileInfo(settings.enginesFile).isRelative())
        settings.enginesFile = QFileInfo(path).dir().filePath(settings.enginesFile);
}

} // namespace

Settings readSettingsFile(const QString& path) {
    Settings settings;
    readFileInto(path, settings);
    useProfile(settings, settings.profile);
    applyEnvironmentProfile(settings);
    return settings;
}

const Settings& currentSettings() {
    std::lock_guard lock(gMutex);
    if (!gCurrent) {
        gCurrent = readSettingsFile(settingsFilePath());
        if (gOverride)
            useProfile(*gCurrent, *gOverride);
    }
    return *gCurrent;
}

void reloadSettings() {
    std::lock_guard lock(gMutex);
    gCurrent.reset();
}

} // namespace kelvane::platform
