#include "platform/text_codec.h"
#include "query/block_signs.h"
#include "query/count_probes.h"
#include "query/fetch_and_extract.h"
#include "query/outcome.h"
#include "support/hosts_override.h"
#include "support/scripted_http_server.h"

#include <QFile>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using namespace Qt::StringLiterals;
using test::httpResponse;
using test::ScriptedHttpServer;

QByteArray fixture(const QString& name) {
    QFile file(QStringLiteral(KELVANE_FIXTURES_DIR "/blocks/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString kBase = u"http://www.engine.example/s?wd=site:ab.example"_s;

TEST(BlockSigns, EachEnginesSignsAndNothingElse) {
    const QByteArray verify = fixture(u"baidu_verify.utf8.html"_s);
    const QByteArray sorry = fixture(u"google_sorry_small.html"_s);
    ASSERT_FALSE(verify.isEmpty());
    ASSERT_FALSE(sorry.isEmpty());
    const QByteArray bigSorry = sorry + QByteArray(2000, ' ');
    const struct {
        const char* name;
        const query::BlockSigns& signs;
        query::AnswerFacts answer;
        const char* sign; // null: no block
    } cases[] = {
        {"baidu captcha host in Location",
         query::kBaiduBlockSigns,
         {302, u"https://wappass.baidu.com/static/captcha?x=1"_s, kBase, {}},
         "location-host"},
        {"baidu captcha host as final URL",
         query::kBaiduBlockSigns,
         {200, {}, u"http://wappass.baidu.com/x"_s, {}},
         "url-host"},
        {"baidu verification title, UTF-8",
         query::kBaiduBlockSigns,
         {200, {}, kBase, verify},
         "title"},
        {"baidu verification title, GBK",
         query::kBaiduBlockSigns,
         {200, {}, kBase, "<TITLE> " + platform::toAnsi(u"百度安全验证"_s) + " </TITLE>"},
         "title"},
        {"baidu other title",
         query::kBaiduBlockSigns,
         {200, {}, kBase, "<title>百度一下</title>"_ba},
         nullptr},
        {"baidu plain redirect elsewhere",
         query::kBaiduBlockSigns,
         {302, u"/s?wd=site:ab.example&ie=gbk"_s, kBase, {}},
         nullptr},
        {"google sorry host",
         query::kGoogleBlockSigns,
         {302, u"http://sorry.google.com/sorry/?continue=x"_s, kBase, {}},
         "location-host"},
        {"google sorry path, relative",
         query::kGoogleBlockSigns,
         {302, u"/sorry/index"_s, kBase, {}},
         "location-path"},
        {"google small body naming /sorry/",
         query::kGoogleBlockSigns,
         {200, {}, kBase, sorry},
         "small-body"},
        {"google large body naming /sorry/",
         query::kGoogleBlockSigns,
         {200, {}, kBase, bigSorry},
         nullptr},
        {"sogou antispider path",
         query::kSogouBlockSigns,
         {302, u"http://www.sogou.com/antispider/?from=x"_s, kBase, {}},
         "location-path"},
        {"sogou antispider as final URL",
         query::kSogouBlockSigns,
         {200, {}, u"http://www.sogou.com/antispider/"_s, {}},
         "url-path"},
        {"sogou sorry path is no sign",
         query::kSogouBlockSigns,
         {302, u"/sorry/"_s, kBase, {}},
         nullptr},
        {"any engine 429", query::kSearchPageBlockSigns, {429, {}, kBase, {}}, "http-429"},
        {"any engine 403", query::kSearchPageBlockSigns, {403, {}, kBase, {}}, "http-403"},
        {"any engine 404", query::kSearchPageBlockSigns, {404, {}, kBase, {}}, nullptr},
        {"any engine 200", query::kSearchPageBlockSigns, {200, {}, kBase, verify}, nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<QString> sign = query::FindBlockSign(c.signs, c.answer);
        EXPECT_EQ(sign.value_or(u"none"_s), c.sign ? QString::fromLatin1(c.sign) : u"none"_s)
            << c.name;
    }
}

TEST(BlockSigns, TitleIsFoundInAnyCaseAndNeverPastTheBody) {
    EXPECT_EQ(query::PageTitle("<html><Title lang=zh>\r\n a b </tItle>"), "a b");
    EXPECT_EQ(query::PageTitle("<title>unclosed"), "unclosed");
    EXPECT_EQ(query::PageTitle("<title"), QByteArray());
    EXPECT_EQ(query::PageTitle("no title here"), QByteArray());
}

// The real Baidu site-count row against a loopback server playing each kind of answer.
TEST(ProbeOutcomes, EveryReasonOfACountProbe) {
    const query::CountProbeSpec& spec =
        query::CountProbeSpecFor(query::EngineId::Baidu, query::CountMetric::IndexedPages);
    const QByteArray verify = fixture(u"baidu_verify.utf8.html"_s);
    const struct {
        const char* name;
        test::Reply reply;
        query::FallbackReason reason;
        const char* detail;
    } cases[] = {
        {"page with the count",
         httpResponse("HTTP/1.1 200 OK", {}, platform::toAnsi(u"找到相关网页约12,300篇"_s)),
         query::FallbackReason::None, ""},
        {"page without it", httpResponse("HTTP/1.1 200 OK", {}, "<p>none</p>"),
         query::FallbackReason::NoMatch, ""},
        {"nothing left after cutting",
         httpResponse("HTTP/1.1 200 OK", {}, platform::toAnsi(u"找到相关网页约篇"_s)),
         query::FallbackReason::EmptyAfterCut, ""},
        {"server error", httpResponse("HTTP/1.1 500 Oops", {}, "x"),
         query::FallbackReason::HttpStatus, "500"},
        {"captcha redirect wins over the status",
         httpResponse("HTTP/1.1 302 Found", {"Location: https://wappass.baidu.com/c"}, ""),
         query::FallbackReason::Blocked, "location-host"},
        {"verification page", httpResponse("HTTP/1.1 200 OK", {}, verify),
         query::FallbackReason::Blocked, "title"},
        {"too many requests", httpResponse("HTTP/1.1 429 Too Many Requests", {}, ""),
         query::FallbackReason::Blocked, "http-429"},
    };
    for (const auto& c : cases) {
        ScriptedHttpServer server({c.reply});
        const test::HostsOverride hosts({{u"baidu"_s, server.hostPort()}});
        const query::FetchOutcome fetched = query::RunCountProbe(spec, u"ab.example"_s, {});
        const query::Outcome outcome = query::outcomeOf(fetched);
        EXPECT_EQ(fetched.value, c.reason == query::FallbackReason::None ? u"12300"_s : u"0"_s)
            << c.name;
        EXPECT_EQ(query::reasonName(outcome.reason), query::reasonName(c.reason)) << c.name;
        EXPECT_EQ(outcome.detail, QString::fromLatin1(c.detail)) << c.name;
        EXPECT_EQ(outcome.host, u"127.0.0.1"_s) << c.name;
    }
}

TEST(ProbeOutcomes, PlaceholderHostIsNeverAsked) {
    // The server would answer; the placeholder name must keep the request from leaving.
    const test::HostsOverride hosts({{u"baidu"_s, u"www.baidu.invalid"_s}});
    const query::FetchOutcome fetched = query::RunCountProbe(
        query::CountProbeSpecFor(query::EngineId::Baidu, query::CountMetric::IndexedPages),
        u"ab.example"_s, {});
    EXPECT_EQ(fetched.value, u"0"_s);
    EXPECT_EQ(fetched.reason, query::FallbackReason::NotConfigured);
    EXPECT_EQ(fetched.host, u"www.baidu.invalid"_s);
}

TEST(ProbeOutcomes, ReasonNamesAndWhichOfThemAreFaults) {
    const struct {
        query::FallbackReason reason;
        const char* name;
        bool fault;
    } cases[] = {
        {query::FallbackReason::None, "ok", false},
        {query::FallbackReason::NoConnection, "connect", true},
        {query::FallbackReason::TimedOut, "timeout", true},
        {query::FallbackReason::HttpStatus, "http", true},
        {query::FallbackReason::TooLarge, "too-large", true},
        {query::FallbackReason::Blocked, "blocked", true},
        {query::FallbackReason::NoMatch, "no-match", false},
        {query::FallbackReason::EmptyAfterCut, "empty", false},
        {query::FallbackReason::NotConfigured, "not-configured", false},
        {query::FallbackReason::Closed, "closed", false},
        {query::FallbackReason::Stopped, "stopped", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(query::reasonName(c.reason), QString::fromLatin1(c.name));
        EXPECT_EQ(query::isFault(c.reason), c.fault) << c.name;
        EXPECT_EQ(query::reasonFromName(QString::fromLatin1(c.name)), c.reason) << c.name;
    }
    EXPECT_EQ(query::reasonFromName(u"fine"_s), std::nullopt);
}

} // namespace
} // namespace kelvane
