#include "support/hosts_override.h"

#include "platform/host_config.h"

#include <QFile>

namespace kelvane::test {

HostsOverride::HostsOverride(const QMap<QString, QString>& hosts) {
    hadPrevious_ = qEnvironmentVariableIsSet("KELVANE_HOSTS");
    previous_ = qgetenv("KELVANE_HOSTS");
    const QString path = dir_.filePath(QStringLiteral("hosts.ini"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        QByteArray text = "[hosts]\n";
        for (auto it = hosts.begin(); it != hosts.end(); ++it)
            text += it.key().toUtf8() + '=' + it.value().toUtf8() + '\n';
        file.write(text);
    }
    qputenv("KELVANE_HOSTS", path.toLocal8Bit());
    platform::reloadHosts();
}

HostsOverride::~HostsOverride() {
    if (hadPrevious_)
        qputenv("KELVANE_HOSTS", previous_);
    else
        qunsetenv("KELVANE_HOSTS");
    platform::reloadHosts();
}

} // namespace kelvane::test
