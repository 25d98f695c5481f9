#pragma once

// Generated result pages for the keyword searchers, served by the fixture web.
#include "platform/text_codec.h"
#include "query/engine_id.h"
#include "support/fixture_web.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

namespace kelvane::test {

// What the searchers ask each engine, written out here rather than taken from the code.
struct EngineUrlCase {
    query::EngineId engine;
    const char* name;
    const char* hostKey;
    const char* before;
    const char* after;
    std::array<int, 5> pageValues; // pages 1 to 5
};

inline constexpr std::array<EngineUrlCase, query::kEngineCount> kEngineUrls = {{
    {query::EngineId::Baidu, "baidu", "baidu", "/s?wd=", "&pn=", {0, 10, 20, 30, 40}},
    {query::EngineId::Google,
     "google",
     "google_cn",
     "/search?hl=zh-CN&q=",
     "&start=",
     {0, 10, 20, 30, 40}},
    {query::EngineId::Yahoo, "yahoo", "yahoo_cn", "/s?p=", "&b=", {0, 10, 20, 30, 40}},
    {query::EngineId::Sogou, "sogou", "sogou", "/web?query=", "&page=", {1, 2, 3, 4, 5}},
    {query::EngineId::Soso, "soso", "soso", "/q?w=", "&pg=", {1, 2, 3, 4, 5}},
    {query::EngineId::Youdao, "youdao", "youdao", "/search?q=", "&start=", {0, 10, 20, 30, 40}},
    {query::EngineId::Bing, "bing", "bing", "/search?q=", "&filt=all&first=", {1, 11, 21, 31, 41}},
}};

inline const EngineUrlCase& urlCase(query::EngineId engine) {
    return kEngineUrls[static_cast<std::size_t>(engine)];
}

inline QString hostKey(query::EngineId engine) {
    return QString::fromLatin1(urlCase(engine).hostKey);
}

// The request target of page 1 to 5 for an already encoded keyword.
inline QByteArray pageTarget(query::EngineId engine, const QByteArray& encodedKeyword, int page) {
    const EngineUrlCase& c = urlCase(engine);
    return QByteArray(c.before) + encodedKeyword + c.after +
           QByteArray::number(c.pageValues[static_cast<std::size_t>(page - 1)]);
}

// One result entry as the engine's pattern finds it.
inline QString entry(query::EngineId engine, const QString& text) {
    switch (engine) {
    case query::EngineId::Baidu:
        return QStringLiteral("<font color=\"#008000\">%1</font>").arg(text);
    case query::EngineId::Google:
        return QStringLiteral("<cite>%1 </cite>").arg(text);
    case query::EngineId::Sogou:
        return QStringLiteral("<font color=\"#008000\">%1/&nbsp;-&nbsp;快照").arg(text);
    case query::EngineId::Youdao:
        return QStringLiteral("<span class=\"l\">%1</span>").arg(text);
    default:
        return QStringLiteral("<h3>%1</h3>").arg(text);
    }
}

// A result page holding one entry per text, with ordinary markup between them, in GBK.
inline QByteArray resultPage(query::EngineId engine, const QStringList& entries) {
    QString page = QStringLiteral("<html><head><title>搜索结果</title></head>\r\n<body>\r\n");
    for (const QString& text : entries) {
        page += QStringLiteral("<div class=\"result\"><a href=\"#\">标题 title</a>\r\n") +
                entry(engine, text) + QStringLiteral("\r\n<p>摘要 snippet</p></div>\r\n");
    }
    page += QStringLiteral("</body></html>\r\n");
    return platform::toAnsi(page);
}

inline QByteArray okPage(const QByteArray& body, const QByteArray& contentType = "text/html") {
    return httpResponse("HTTP/1.1 200 OK", {"Content-Type: " + contentType}, body);
}

// Entries that do not hold the site.
inline QStringList otherEntries(int count) {
    QStringList entries;
    for (int i = 1; i <= count; ++i)
        entries << QStringLiteral("www.other%1.example/page").arg(i);
    return entries;
}

} // namespace kelvane::test
