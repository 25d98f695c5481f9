#pragma once

#include "support/hosts_override.h"
#include "support/scripted_http_server.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <chrono>
#include <map>
#include <memory>
#include <vector>

namespace kelvane::test {

// Plays every engine and service on loopback, one scripted server per host key, from the page
// files under tests/fixtures/web, and points the host configuration at them while it lives.
// A route maps an exact request target to a reply; anything else gets a 404. In page files,
// "{host:KEY}" stands for the loopback host and port that plays KEY.
class FixtureWeb {
public:
    FixtureWeb();
    ~FixtureWeb();
    FixtureWeb(const FixtureWeb&) = delete;
    FixtureWeb& operator=(const FixtureWeb&) = delete;

    void route(const QString& key, const QByteArray& target, Reply reply);
    // A 200 response with the page file's bytes and the Content-Type given.
    void routeFile(const QString& key, const QByteArray& target, const QString& file,
                   const QByteArray& contentType);
    void routeRedirect(const QString& key, const QByteArray& target, const QByteArray& location);

    // Routes that answer every request of a full site query for the domain, with the pages
    // written for "ab.example".
    void addStandardSite(const QString& domain = QStringLiteral("ab.example"));
    // Every answer waits this long before its first byte.
    void setLatency(int ms);

    QString hostPort(const QString& key) const;
    // The request lines ("GET /x HTTP/1.1") that KEY's server received, in order.
    QStringList requestLines(const QString& key) const;
    // The raw requests KEY's server received.
    QList<QByteArray> requests(const QString& key) const;
    // When each request to KEY arrived, in order.
    std::vector<std::chrono::steady_clock::time_point> arrivals(const QString& key) const;

    static QByteArray pageFile(const QString& file);

private:
    Reply respond(const QString& key, const QByteArray& request);

    std::map<QString, std::unique_ptr<ScriptedHttpServer>> servers_;
    std::map<QString, std::map<QByteArray, Reply>> routes_;
    std::map<QString, std::vector<std::chrono::steady_clock::time_point>> arrivals_;
    int latencyMs_ = 0;
    std::unique_ptr<HostsOverride> hosts_;
    mutable std::mutex mutex_;
};

} // namespace kelvane::test
