#include "lookup/lookup_fixtures.h"
#include "lookup/lookups.h"
#include "platform/text_codec.h"
#include "support/fixture_web.h"
#include "support/hosts_override.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::FixtureWeb;
using test::lookup::gbkPage;
using test::lookup::gbkPageFile;
using test::lookup::kWhoisRecordShown;

const QString kWhois = QStringLiteral("whois");
const QString kFailure = QString::fromUtf16(lookup::kWhoisFailureText);

QByteArray gbk(const QString& text) {
    return platform::toAnsi(text);
}

TEST(WhoisLookup, DropsLowerCaseWwwFromTheName) {
    const struct {
        const char* name;
        const char* target;
    } cases[] = {
        {"www.ab.example", "/cgi-bin/whois?domain=ab.example"},
        {"ab.www.example", "/cgi-bin/whois?domain=ab.example"},
        {"www.www.ab.example", "/cgi-bin/whois?domain=ab.example"},
        {"wwww.ab.example", "/cgi-bin/whois?domain=wab.example"},
        // Passes the case-blind test, but only lower case is removed.
        {"WWW.ab.example", "/cgi-bin/whois?domain=WWW.ab.example"},
        {"Www.ab.example", "/cgi-bin/whois?domain=Www.ab.example"},
        {"WWW.www.ab.example", "/cgi-bin/whois?domain=WWW.ab.example"},
        {"", "/cgi-bin/whois?domain="},
        {" ab.example ", "/cgi-bin/whois?domain=%20ab.example%20"},
    };
    for (const auto& c : cases) {
        FixtureWeb web;
        web.route(kWhois, c.target, gbkPageFile(QStringLiteral("whois_record.gbk.html")));
        EXPECT_EQ(lookup::WhoisLookup(QString::fromUtf8(c.name)), kWhoisRecordShown) << c.name;
        EXPECT_EQ(web.requestLines(kWhois),
                  QStringList{QStringLiteral("GET %1 HTTP/1.1").arg(QLatin1StringView(c.target))})
            << c.name;
    }
}

TEST(WhoisLookup, SendsNoUserAgent) {
    FixtureWeb web;
    web.route(kWhois, "/cgi-bin/whois?domain=ab.example",
              gbkPageFile(QStringLiteral("whois_record.gbk.html")));
    lookup::WhoisLookup(QStringLiteral("ab.example"));
    const QList<QByteArray> requests = web.requests(kWhois);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0], "GET /cgi-bin/whois?domain=ab.example HTTP/1.1\r\nHost: " +
                               web.hostPort(kWhois).toLatin1() +
                               "\r\nAccept: text/html, */*\r\nAccept-Encoding: identity\r\n\r\n");
}

TEST(WhoisLookup, CutsTheRecordAndWidensLineFeeds) {
    const struct {
        const char* name;
        const char16_t* page;
        const char16_t* shown;
    } cases[] = {
        {"markers", u"<p>头</p><!-- start -->\n记录\n友情提示：尾", u"\r\n记录\r\n"},
        {"markup_kept", u"<!-- start --><b>x</b>友情提示", u"<b>x</b>"},
        {"first_record", u"<!-- start -->一友情提示<!-- start -->二友情提示", u"一"},
        {"no_markers_whole_page", u"<html>\n<p>没有记录</p>\n</html>",
         u"<html>\r\n<p>没有记录</p>\r\n</html>"},
        {"crlf_lines", u"<!-- start -->a\r\nb\r\n友情提示", u"a\r\r\nb\r\r\n"},
        {"crlf_page_without_markers", u"a\r\nb", u"a\r\r\nb"},
        // Without the end marker the whole page stays, less its start marker.
        {"start_only", u"x<!-- start -->\ny", u"x\r\ny"},
        {"end_before_start", u"友情提示a<!-- start -->b", u"ab"},
        {"only_markers", u"<!-- start -->友情提示", lookup::kWhoisFailureText},
        {"empty_page", u"", lookup::kWhoisFailureText},
        {"markers_in_page_without_match", u"友情提示友情提示", lookup::kWhoisFailureText},
    };
    for (const auto& c : cases) {
        FixtureWeb web;
        web.route(kWhois, "/cgi-bin/whois?domain=ab.example",
                  gbkPage(gbk(QString::fromUtf16(c.page))));
        const query::FetchOutcome outcome =
            lookup::WhoisLookupOutcome(QStringLiteral("ab.example"));
        EXPECT_EQ(outcome.value, QString::fromUtf16(c.shown)) << c.name;
        EXPECT_EQ(outcome.fellBack(), outcome.value == kFailure) << c.name;
    }
}

TEST(WhoisLookup, ReadsThePageAsGbkWhateverItDeclares) {
    FixtureWeb web;
    web.route(kWhois, "/cgi-bin/whois?domain=ab.example",
              test::httpResponse("HTTP/1.1 200 OK", {"Content-Type: text/html; charset=utf-8"},
                                 gbk(QStringLiteral("<!-- start -->中文友情提示"))));
    EXPECT_EQ(lookup::WhoisLookup(QStringLiteral("ab.example")), QStringLiteral("中文"));
}

TEST(WhoisLookup, FailuresShowTheFallback) {
    const struct {
        const char* name;
        test::Reply reply;
        query::FallbackReason reason;
    } cases[] = {
        {"not_found", test::httpResponse("HTTP/1.1 404 Not Found", {}, "<!-- start -->"),
         query::FallbackReason::HttpStatus},
        {"redirect_not_followed",
         test::httpResponse("HTTP/1.1 302 Found", {"Location: /cgi-bin/whois?domain=x"}),
         query::FallbackReason::HttpStatus},
        {"closed_before_status", test::Reply().close(), query::FallbackReason::NoConnection},
    };
    for (const auto& c : cases) {
        FixtureWeb web;
        web.route(kWhois, "/cgi-bin/whois?domain=ab.example", c.reply);
        const query::FetchOutcome outcome =
            lookup::WhoisLookupOutcome(QStringLiteral("ab.example"));
        EXPECT_EQ(outcome.value, kFailure) << c.name;
        EXPECT_EQ(outcome.reason, c.reason) << c.name;
        EXPECT_EQ(web.requestLines(kWhois).size(), 1) << c.name;
    }
}

TEST(WhoisLookup, RefusedConnectionShowsTheFallback) {
    const test::HostsOverride hosts(
        {{kWhois, QStringLiteral("127.0.0.1:%1").arg(test::lookup::closedPort())}});
    const query::FetchOutcome outcome = lookup::WhoisLookupOutcome(QStringLiteral("ab.example"));
    EXPECT_EQ(outcome.value, kFailure);
    EXPECT_EQ(outcome.reason, query::FallbackReason::NoConnection);
}

TEST(WhoisLookup, GivesUpOnASilentServiceAfterItsReadTimeOut) {
    const struct {
        const char* name;
        test::Reply reply;
    } cases[] = {
        {"never_answers", test::Reply().silent()},
        {"answers_after_three_seconds", test::Reply().delay(3000).send(test::httpResponse(
                                            "HTTP/1.1 200 OK", {}, "<!-- start -->late友情提示"))},
        {"stalls_inside_the_body",
         test::Reply()
             .send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n<!-- start -->")
             .silent()},
    };
    for (const auto& c : cases) {
        FixtureWeb web;
        web.route(kWhois, "/cgi-bin/whois?domain=ab.example", c.reply);
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(lookup::WhoisLookup(QStringLiteral("ab.example")), kFailure) << c.name;
        // A missing status line costs a wait for it and one for the error body: one or two
        // read time-outs of 2000 ms. The upper bound only catches a hang.
        EXPECT_GE(clock.elapsed(), 1900) << c.name;
        EXPECT_LT(clock.elapsed(), 10000) << c.name;
    }
}

TEST(WhoisLookup, HostileNamesStayInsideTheQuery) {
    const struct {
        QString name;
        const char* target;
    } cases[] = {
        {QStringLiteral("ab example"), "/cgi-bin/whois?domain=ab%20example"},
        {QStringLiteral("ab.example#frag"), "/cgi-bin/whois?domain=ab.example#frag"},
        {QStringLiteral("ab?x=1&y=2"), "/cgi-bin/whois?domain=ab?x=1&y=2"},
        {QStringLiteral("ab%0D%0A.example"), "/cgi-bin/whois?domain=ab%0D%0A.example"},
        {QStringLiteral("中文.example"), "/cgi-bin/whois?domain=%E4%B8%AD%E6%96%87.example"},
        {QStringLiteral("ab.example\r\nX-Injected: 1"),
         "/cgi-bin/whois?domain=ab.example%0D%0AX-Injected:%201"},
        {QStringLiteral("ab.example HTTP/1.0\r\n\r\nGET /other"),
         "/cgi-bin/whois?domain=ab.example%20HTTP/1.0%0D%0A%0D%0AGET%20/other"},
        {QStringLiteral("a\tb\0c"), "/cgi-bin/whois?domain=a%09b%00c"},
    };
    for (const auto& c : cases) {
        FixtureWeb web;
        web.route(kWhois, c.target, gbkPageFile(QStringLiteral("whois_record.gbk.html")));
        EXPECT_EQ(lookup::WhoisLookup(c.name), kWhoisRecordShown) << c.target;
        const QList<QByteArray> requests = web.requests(kWhois);
        ASSERT_EQ(requests.size(), 1) << c.target;
        // The request line and the three fixed headers, nothing more.
        EXPECT_EQ(requests[0].count("\r\n"), 5) << c.target;
        EXPECT_FALSE(requests[0].contains("\r\nX-Injected")) << c.target;
    }
}

TEST(WhoisLookup, CopesWithPagesOfManyMegabytes) {
    // About 9 MB of GBK.
    const QString filler = QStringLiteral("<p>填充内容 filler line</p>\n").repeated(300000);
    {
        FixtureWeb web;
        web.route(kWhois, "/cgi-bin/whois?domain=ab.example",
                  gbkPage(gbk(filler + QStringLiteral("<!-- start -->尾友情提示"))));
        EXPECT_EQ(lookup::WhoisLookup(QStringLiteral("ab.example")), QStringLiteral("尾"));
    }
    {
        FixtureWeb web;
        web.route(kWhois, "/cgi-bin/whois?domain=ab.example",
                  gbkPage(gbk(QStringLiteral("<!-- start -->") + filler)));
        // No end marker: the whole page, every line feed widened.
        QString expected = filler;
        EXPECT_EQ(lookup::WhoisLookup(QStringLiteral("ab.example")),
                  expected.replace(u'\n', QStringLiteral("\r\n")));
    }
}

} // namespace
} // namespace kelvane
