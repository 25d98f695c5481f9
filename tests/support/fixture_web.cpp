#include "support/fixture_web.h"

#include <QFile>

namespace kelvane::test {

namespace {

const char* const kHostKeys[] = {"home",           "baidu",    "google",    "google_cn",
                                 "yahoo_explorer", "yahoo_cn", "sogou",     "soso",
                                 "youdao",         "bing",     "chinarank", "whois"};

const QByteArray kGbkPage = "text/html";
const QByteArray kUtf8Page = "text/html; charset=utf-8";

} // namespace

FixtureWeb::FixtureWeb() {
    QMap<QString, QString> hosts;
    for (const char* key : kHostKeys) {
        const QString name = QString::fromLatin1(key);
        auto server = std::make_unique<ScriptedHttpServer>();
        server->setHandler(
            [this, name](const QByteArray& request) { return respond(name, request); });
        hosts.insert(name, server->hostPort());
        servers_.emplace(name, std::move(server));
    }
    hosts_ = std::make_unique<HostsOverride>(hosts);
}

FixtureWeb::~FixtureWeb() {
    // Stop the servers before the routes they read go away.
    servers_.clear();
}

QByteArray FixtureWeb::pageFile(const QString& file) {
    QFile page(QStringLiteral(KELVANE_FIXTURES_DIR "/web/") + file);
    if (!page.open(QIODevice::ReadOnly))
        return "missing fixture " + file.toUtf8();
    return page.readAll();
}

void FixtureWeb::route(const QString& key, const QByteArray& target, Reply reply) {
    std::lock_guard lock(mutex_);
    routes_[key][target] = std::move(reply);
}

void FixtureWeb::routeFile(const QString& key, const QByteArray& target, const QString& file,
                           const QByteArray& contentType) {
    QByteArray body = pageFile(file);
    for (const auto& [name, server] : servers_)
        body.replace("{host:" + name.toUtf8() + "}", server->hostPort().toUtf8());
    route(key, target, httpResponse("HTTP/1.1 200 OK", {"Content-Type: " + contentType}, body));
}

void FixtureWeb::routeRedirect(const QString& key, const QByteArray& target,
                               const QByteArray& location) {
    route(key, target,
          httpResponse("HTTP/1.1 302 Found", {"Location: " + location, "Content-Type: text/html"},
                       "moved"));
}

namespace {

Reply delayed(const Reply& reply, int ms) {
    if (ms <= 0)
        return reply;
    Reply late;
    late.delay(ms);
    for (const Reply::Step& step : reply.steps()) {
        switch (step.kind) {
        case Reply::Step::Kind::Send:
            late.send(step.bytes);
            break;
        case Reply::Step::Kind::Delay:
            late.delay(step.ms);
            break;
        case Reply::Step::Kind::Close:
            late.close();
            break;
        case Reply::Step::Kind::Silent:
            late.silent();
            break;
        }
    }
    return late;
}

} // namespace

Reply FixtureWeb::respond(const QString& key, const QByteArray& request) {
    std::lock_guard lock(mutex_);
    arrivals_[key].push_back(std::chrono::steady_clock::now());
    const auto routes = routes_.find(key);
    if (routes != routes_.end()) {
        const auto found = routes->second.find(requestTarget(request));
        if (found != routes->second.end())
            return delayed(found->second, latencyMs_);
    }
    return delayed(httpResponse("HTTP/1.1 404 Not Found", {"Content-Type: text/html"}, "not here"),
                   latencyMs_);
}

void FixtureWeb::setLatency(int ms) {
    std::lock_guard lock(mutex_);
    latencyMs_ = ms;
}

std::vector<std::chrono::steady_clock::time_point> FixtureWeb::arrivals(const QString& key) const {
    std::lock_guard lock(mutex_);
    const auto found = arrivals_.find(key);
    return found == arrivals_.end() ? std::vector<std::chrono::steady_clock::time_point>()
                                    : found->second;
}

QString FixtureWeb::hostPort(const QString& key) const {
    const auto found = servers_.find(key);
    return found == servers_.end() ? QString() : found->second->hostPort();
}

QList<QByteArray> FixtureWeb::requests(const QString& key) const {
    const auto found = servers_.find(key);
    return found == servers_.end() ? QList<QByteArray>() : found->second->requests();
}

QStringList FixtureWeb::requestLines(const QString& key) const {
    QStringList lines;
    for (const QByteArray& request : requests(key))
        lines << QString::fromLatin1(request.left(request.indexOf("\r\n")));
    return lines;
}

void FixtureWeb::addStandardSite(const QString& domain) {
    const QByteArray d = domain.toUtf8();
    const QString baidu = QStringLiteral("baidu"), google = QStringLiteral("google"),
                  yahoo = QStringLiteral("yahoo_explorer"), sogou = QStringLiteral("sogou"),
                  soso = QStringLiteral("soso"), youdao = QStringLiteral("youdao"),
                  bing = QStringLiteral("bing"), home = QStringLiteral("home"),
                  chinarank = QStringLiteral("chinarank");
    routeFile(baidu, "/s?wd=site:" + d, QStringLiteral("baidu_site.gbk.html"), kGbkPage);
    routeFile(baidu, "/s?wd=domain:" + d, QStringLiteral("baidu_domain.gbk.html"), kGbkPage);
    routeFile(google, "/search?hl=zh-CN&q=site:" + d, QStringLiteral("google_site.gbk.html"),
              kGbkPage);
    routeFile(google, "/search?hl=zh-CN&q=link:" + d, QStringLiteral("google_link.gbk.html"),
              kGbkPage);
    routeFile(google, "/search?q=cache:abc:ab.example/&hl=zh-CN&strip=1",
              QStringLiteral("google_cache.utf8.html"), kUtf8Page);
    routeFile(yahoo, "/search?p=" + d, QStringLiteral("yahoo_site.utf8.html"), kUtf8Page);
    routeFile(yahoo, "/search?p=" + d + "&bwm=i", QStringLiteral("yahoo_link.utf8.html"),
              kUtf8Page);
    routeRedirect(sogou, "/web?query=site:" + d, "/web?query=site:" + d + "&ie=gbk");
    routeFile(sogou, "/web?query=site:" + d + "&ie=gbk", QStringLiteral("sogou_site.gbk.html"),
              kGbkPage);
    routeRedirect(sogou, "/web?query=link:" + d, "/web?query=link:" + d + "&ie=gbk");
    routeFile(soso, "/q?pid=s.idx&w=site:" + d, QStringLiteral("soso_site.gbk.html"), kGbkPage);
    routeFile(soso, "/q?pid=s.idx&w=link:" + d, QStringLiteral("soso_link.gbk.html"), kGbkPage);
    routeFile(youdao, "/search?q=site:" + d, QStringLiteral("youdao_site.utf8.html"), kUtf8Page);
    routeFile(youdao, "/search?q=link:" + d, QStringLiteral("youdao_link.utf8.html"), kUtf8Page);
    routeFile(bing, "/search?q=site:" + d, QStringLiteral("bing_site.utf8.html"), kUtf8Page);
    routeFile(bing, "/search?q=link:" + d, QStringLiteral("bing_link.utf8.html"), kUtf8Page);
    routeFile(home, "/pr/?domain=" + d, QStringLiteral("pagerank.utf8.html"), kUtf8Page);
    routeFile(home, "/api/alexa.asp?d=" + d, QStringLiteral("alexa.txt"), "text/plain");
    routeRedirect(chinarank, "/overview/Info.do?url=" + d,
                  "/overview/Info.do?url=" + d + "&lang=zh");
    routeFile(chinarank, "/overview/Info.do?url=" + d + "&lang=zh",
              QStringLiteral("chinarank.gbk.html"), kGbkPage);
}

} // namespace kelvane::test
