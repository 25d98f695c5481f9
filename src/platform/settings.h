#pragma once

#include "platform/exchange_settings.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

// The program's one settings file: an INI file with sections [hosts], [network] and [engines].
namespace kelvane::platform {

// How politely requests go out: the scheduler shared by every query of a run reads these.
struct PacingSettings {
    // Least time between the starts of two requests to one host; 0: none.
    qint64 minIntervalMs = 0;
    // Up to this much more, drawn at random for each request.
    qint64 jitterMs = 0;
    // How long a host rests after it answered with its block page.
    qint64 blockPauseS = 3600;
    // How long a host rests after an HTTP 429 or 403.
    qint64 refusalPauseS = 180;

    friend bool operator==(const PacingSettings&, const PacingSettings&) = default;
};

// Which built-in engine rows and hosts the program uses: today's pages and living sources, or
// the original's, exactly as they were.
enum class EngineProfile { Today, Classic };

QString profileName(EngineProfile profile);
std::optional<EngineProfile> profileFromName(QStringView name);

struct Settings {
    // [hosts] as written: service key to "host" or "host:port".
    QHash<QString, QString> hosts;
    // [network]
    ExchangeSettings exchange;
    PacingSettings pacing;
    // [engines] file: engine definitions laid over the built-in ones; a relative path is taken
    // from the settings file's folder. Empty: the built-ins alone.
    QString enginesFile;
    // [engines] profile, unless KELVANE_PROFILE or the console's --profile says otherwise.
    EngineProfile profile = EngineProfile::Today;
    // Whether the file wrote [network] https; if not, the profile decides.
    bool httpsWritten = false;
    // One line per unknown key or bad value; the built-in default stands in for each.
    QStringList problems;
};

// The file to read: KELVANE_CONFIG when set, else the first candidate that exists, else empty.
QString settingsFilePath();

// "[section] key = value" for every key of [network] and later sections, with its built-in
// value: what a file holding exactly these lines reads as.
QStringList builtInLines();

// A file's settings; an empty path gives the built-in defaults.
Settings readSettingsFile(const QString& path);

// Puts a profile in force over what the file said, with the defaults that go with it: under
// today, https is followed wherever it leads unless the file turned it off.
void useProfile(Settings& settings, EngineProfile profile);

// The console's --profile: wins over KELVANE_PROFILE and the file, for the rest of the run.
void overrideProfile(EngineProfile profile);

// The settings of this process, read once.
const Settings& currentSettings();
// Drops what was read, so the next call reads the file again (tests change it).
void reloadSettings();

} // namespace kelvane::platform
