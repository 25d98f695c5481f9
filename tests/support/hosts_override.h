#pragma once

#include <QMap>
#include <QString>
#include <QTemporaryDir>

namespace kelvane::test {

// Points services at loopback for the life of the object: writes a hosts file into a temporary
// folder, names it in KELVANE_HOSTS and makes the configuration read it again.
class HostsOverride {
public:
    explicit HostsOverride(const QMap<QString, QString>& hosts);
    ~HostsOverride();
    HostsOverride(const HostsOverride&) = delete;
    HostsOverride& operator=(const HostsOverride&) = delete;

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_ = false;
};

} // namespace kelvane::test
