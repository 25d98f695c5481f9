#include "platform/host_config.h"

#include "platform/paths.h"
#include "platform/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <mutex>
#include <optional>

namespace kelvane::platform {

namespace {

struct Default {
    const char16_t* key;
    const char16_t* classic;
    // Under the today profile: the engines answer over https, and the rest stays as it was.
    const char16_t* today = nullptr;
};

// Services that are gone, and the product's own site, default to reserved names so that no
// stranger gets traffic meant for a site that is not theirs.
constexpr Default kDefaults[] = {
    {u"home", u"kelvane-home.invalid"},
    {u"baidu", u"www.baidu.com", u"https://www.baidu.com"},
    {u"google", u"www.google.com", u"https://www.google.com"},
    {u"google_cn", u"www.google.com.hk", u"https://www.google.com.hk"},
    {u"yahoo_explorer", u"siteexplorer.yahoo.invalid"},
    {u"yahoo_cn", u"search.yahoo.invalid"},
    {u"sogou", u"www.sogou.com", u"https://www.sogou.com"},
    {u"soso", u"www.soso.invalid"},
    {u"youdao", u"www.youdao.invalid"},
    {u"bing", u"cn.bing.com", u"https://cn.bing.com"},
    {u"chinarank", u"chinarank.invalid"},
    {u"whois", u"whois.invalid"},
};

constexpr QLatin1StringView kHttps("https://");

std::mutex gMutex;
std::optional<QHash<QString, QString>> gHosts;

QString configFilePath() {
    const QString fromEnvironment = qEnvironmentVariable("KELVANE_HOSTS");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString beside = QDir(executableDir()).filePath(QStringLiteral("kelvane-hosts.ini"));
    return QFileInfo::exists(beside) ? beside : QString();
}

QHash<QString, QString> load() {
    QHash<QString, QString> table;
    const Settings& settings = currentSettings();
    const bool today = settings.profile == EngineProfile::Today;
    for (const Default& entry : kDefaults)
        table.insert(QString::fromUtf16(entry.key),
                     QString::fromUtf16(today && entry.today ? entry.today : entry.classic));
    table.insert(settings.hosts);
    const QString path = configFilePath();
    if (path.isEmpty())
        return table;
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("hosts"));
    for (const QString& key : ini.childKeys()) {
        const QString value = ini.value(key).toString().trimmed();
        if (!value.isEmpty())
            table.insert(key, value);
    }
    return table;
}

QHash<QString, QString> hostTable() {
    std::lock_guard lock(gMutex);
    if (!gHosts)
        gHosts = load();
    return *gHosts;
}

QString valueFor(const QString& key) {
    return hostTable().value(key);
}

bool isHttps(const QString& value) {
    return value.startsWith(kHttps, Qt::CaseInsensitive);
}

} // namespace

QString hostFor(const QString& key) {
    const QString value = valueFor(key);
    return isHttps(value) ? value.mid(kHttps.size()) : value;
}

QString originFor(const QString& key) {
    const QString value = valueFor(key);
    return isHttps(value) ? kHttps + value.mid(kHttps.size()) : QStringLiteral("http://") + value;
}

bool isTlsOrigin(const QString& host, quint16 port) {
    const QHash<QString, QString> values = hostTable();
    for (const QString& value : values) {
        if (!isHttps(value))
            continue;
        QString authority = value.mid(kHttps.size());
        if (authority.endsWith(u'/'))
            authority.chop(1);
        quint16 valuePort = 443;
        const qsizetype colon = authority.lastIndexOf(u':');
        if (colon > 0 && !authority.endsWith(u']')) {
            valuePort = static_cast<quint16>(authority.mid(colon + 1).toUInt());
            authority.truncate(colon);
        }
        if (valuePort == port && authority.compare(host, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QStringList serviceKeys() {
    QStringList keys;
    for (const Default& entry : kDefaults)
        keys << QString::fromUtf16(entry.key);
    return keys;
}

bool isServiceKey(const QString& key) {
    for (const Default& entry : kDefaults) {
        if (key == QStringView(entry.key))
            return true;
    }
    return false;
}

QString homeSiteHost() {
    return hostFor(QStringLiteral("home"));
}

void reloadHosts() {
    reloadSettings();
    std::lock_guard lock(gMutex);
    gHosts.reset();
}

} // namespace kelvane::platform
