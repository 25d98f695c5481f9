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
using test::lookup::kIpAnswerShown;
using test::lookup::kOwnIpShown;

const QString kHome = QStringLiteral("home");
const QString kFailure = QString::fromUtf16(lookup::kIpFailureText);

QByteArray gbk(const QString& text) {
    return platform::toAnsi(text);
}

TEST(OwnIpLookup, ShowsTheAddressStretchOfThePage) {
    FixtureWeb web;
    web.route(kHome, "/ip/data/", gbkPageFile(QStringLiteral("own_ip.gbk.html")));
    EXPECT_EQ(lookup::OwnIpLookup(), kOwnIpShown);
    const QList<QByteArray> requests = web.requests(kHome);
    ASSERT_EQ(requests.size(), 1);
    // Every client setting at its default: the default User-Agent goes out.
    EXPECT_EQ(requests[0], "GET /ip/data/ HTTP/1.1\r\nHost: " + web.hostPort(kHome).toLatin1() +
                               "\r\nAccept: text/html, */*\r\nAccept-Encoding: identity\r\n"
                               "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n");
}

TEST(OwnIpLookup, RewritesSpacesAndClosingTags) {
    const struct {
        const char* name;
        const char16_t* page;
        const char16_t* shown;
    } cases[] = {
        {"five_nbsp_break", u"您的IP是：1&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;2</div>",
         u"您的IP是：1\r\n2</div>"},
        {"four_nbsp_stay", u"您的IP是：1&nbsp;&nbsp;&nbsp;&nbsp;2</div>",
         u"您的IP是：1&nbsp;&nbsp;&nbsp;&nbsp;2</div>"},
        {"ten_nbsp_two_breaks",
         u"您的IP是：1"
         "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;"
         u"&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;2</div>",
         u"您的IP是：1\r\n\r\n2</div>"},
        {"tab_close_removed", u"您的IP是：1\t</div>", u"您的IP是：1"},
        {"space_close_kept", u"您的IP是：1 </div>", u"您的IP是：1 </div>"},
        {"first_stretch_across_lines", u"<p>您的IP是：1\r\n2</div>您的IP是：3</div>",
         u"您的IP是：1\r\n2</div>"},
        // The colon of the own-address pattern is full-width; an ASCII one does not match.
        {"ascii_colon_whole_page", u"<p>您的IP是:1</div>\t</div>", u"<p>您的IP是:1</div>"},
        {"no_stretch_whole_page", u"<p>维护中</p>", u"<p>维护中</p>"},
        {"empty_page", u"", u""},
    };
    for (const auto& c : cases) {
        FixtureWeb web;
        web.route(kHome, "/ip/data/", gbkPage(gbk(QString::fromUtf16(c.page))));
        const query::FetchOutcome outcome = lookup::OwnIpLookupOutcome();
        EXPECT_EQ(outcome.value, QString::fromUtf16(c.shown)) << c.name;
        EXPECT_FALSE(outcome.fellBack()) << c.name;
    }
}

TEST(OwnIpLookup, NoNetworkGivesAnEmptyText) {
    {
        const test::HostsOverride hosts(
            {{kHome, QStringLiteral("127.0.0.1:%1").arg(test::lookup::closedPort())}});
        const query::FetchOutcome outcome = lookup::OwnIpLookupOutcome();
        EXPECT_EQ(outcome.value, QString());
        EXPECT_EQ(outcome.reason, query::FallbackReason::NoConnection);
    }
    {
        FixtureWeb web;
        web.route(kHome, "/ip/data/",
                  test::httpResponse("HTTP/1.1 500 Oops", {}, "您的IP是：x</div>"));
        EXPECT_EQ(lookup::OwnIpLookup(), QString());
    }
}

TEST(IpLookup, SendsTheTypedTextWithoutHttpPrefix) {
    const struct {
        QString typed;
        const char* target;
    } cases[] = {
        {QStringLiteral("203.0.113.9"), "/ip/data/?ip=203.0.113.9"},
        {QStringLiteral("http://203.0.113.9"), "/ip/data/?ip=203.0.113.9"},
        {QStringLiteral("http://http://203.0.113.9"), "/ip/data/?ip=203.0.113.9"},
        {QStringLiteral("ab.http://example"), "/ip/data/?ip=ab.example"},
        // Neither contains "http://" exactly.
        {QStringLiteral("https://203.0.113.9"), "/ip/data/?ip=https://203.0.113.9"},
        {QStringLiteral("HTTP://203.0.113.9"), "/ip/data/?ip=HTTP://203.0.113.9"},
        {QString(), "/ip/data/?ip="},
        {QStringLiteral(" 203.0.113.9 "), "/ip/data/?ip=%20203.0.113.9%20"},
        // The prompt is sent as the value when the edit was never clicked.
        {QString::fromUtf16(lookup::kIpPromptText),
         "/ip/data/?ip=%E8%AF%B7%E8%BE%93%E5%85%A5IP%E5%9C%B0%E5%9D%80%E6%88%96%E8%80%85%E5%9F%9F"
         "%E5%90%8D"},
        {QStringLiteral("a b#c?d%e"), "/ip/data/?ip=a%20b#c?d%e"},
        {QStringLiteral("1.2.3.4\r\nX-Injected: 1"), "/ip/data/?ip=1.2.3.4%0D%0AX-Injected:%201"},
    };
    for (const auto& c : cases) {
        FixtureWeb web;
        web.route(kHome, c.target, gbkPageFile(QStringLiteral("ip_answer.gbk.html")));
        EXPECT_EQ(lookup::IpLookup(c.typed), kIpAnswerShown) << c.target;
        const QList<QByteArray> requests = web.requests(kHome);
        ASSERT_EQ(requests.size(), 1) << c.target;
        EXPECT_TRUE(requests[0].startsWith("GET " + QByteArray(c.target) + " HTTP/1.1\r\n"))
            << c.target;
        // The request line and four fixed headers, nothing more.
        EXPECT_EQ(requests[0].count("\r\n"), 6) << c.target;
        EXPECT_FALSE(requests[0].contains("\r\nX-Injected")) << c.target;
    }
}

TEST(IpLookup, RewritesTheAnswer) {
    const struct {
        const char* name;
        const char16_t* page;
        const char16_t* shown;
    } cases[] = {
        {"line_break_and_closing_tag", u"<p>您查询的IP:1<br>2<br/>3</p>", u"您查询的IP：1\r\n2"},
        {"every_colon_full_width", u"您查询的IP:1.2.3.4<br>时间:10:20:30<br/>",
         u"您查询的IP：1.2.3.4\r\n时间：10：20：30"},
        {"nbsp_removed", u"您查询的IP:1&nbsp;&nbsp;2<br/>", u"您查询的IP：12"},
        {"unknown_address", u"您查询的IP:999.1.1.1<br>您输入的好像火星IP<br/>",
         lookup::kIpUnknownText},
        {"unknown_outside_the_stretch", u"您查询的IP:1<br/>您输入的好像火星IP", u"您查询的IP：1"},
        {"unknown_in_a_page_without_stretch", u"<p>您输入的好像火星IP</p>", lookup::kIpUnknownText},
        // The stretch's colon is ASCII: a full-width one does not match, the page stays.
        {"full_width_colon_whole_page", u"您查询的IP：1<br>x:y<br/>z", u"您查询的IP：1\r\nx：yz"},
        // "<br>" is replaced before "<br/>" goes, so a "<br>" it leaves behind stays.
        {"order_of_rules", u"a<br<br/>>b", u"a<br>b"},
        {"empty_page", u"", u""},
    };
    for (const auto& c : cases) {
        FixtureWeb web;
        web.route(kHome, "/ip/data/?ip=1", gbkPage(gbk(QString::fromUtf16(c.page))));
        const query::FetchOutcome outcome = lookup::IpLookupOutcome(QStringLiteral("1"));
        EXPECT_EQ(outcome.value, QString::fromUtf16(c.shown)) << c.name;
        EXPECT_FALSE(outcome.fellBack()) << c.name;
    }
}

TEST(IpLookup, RecordedPagesShowAsTheWindowShowsThem) {
    FixtureWeb web;
    web.route(kHome, "/ip/data/?ip=203.0.113.9", gbkPageFile(QStringLiteral("ip_answer.gbk.html")));
    web.route(kHome, "/ip/data/?ip=999.1.1.1", gbkPageFile(QStringLiteral("ip_mars.gbk.html")));
    EXPECT_EQ(lookup::IpLookup(QStringLiteral("http://203.0.113.9")), kIpAnswerShown);
    EXPECT_EQ(lookup::IpLookup(QStringLiteral("999.1.1.1")),
              QString::fromUtf16(lookup::kIpUnknownText));
}

TEST(IpLookup, FailuresShowTheTimeOutText) {
    const struct {
        const char* name;
        test::Reply reply;
        query::FallbackReason reason;
    } cases[] = {
        {"server_error", test::httpResponse("HTTP/1.1 500 Oops", {}, "您查询的IP:1<br/>"),
         query::FallbackReason::HttpStatus},
        {"redirect_not_followed",
         test::httpResponse("HTTP/1.1 301 Moved", {"Location: /ip/data/?ip=2"}),
         query::FallbackReason::HttpStatus},
        {"closed_before_status", test::Reply().close(), query::FallbackReason::NoConnection},
    };
    for (const auto& c : cases) {
        FixtureWeb web;
        web.route(kHome, "/ip/data/?ip=1", c.reply);
        const query::FetchOutcome outcome = lookup::IpLookupOutcome(QStringLiteral("1"));
        EXPECT_EQ(outcome.value, kFailure) << c.name;
        EXPECT_EQ(outcome.reason, c.reason) << c.name;
        EXPECT_EQ(web.requestLines(kHome).size(), 1) << c.name;
    }
    const test::HostsOverride hosts(
        {{kHome, QStringLiteral("127.0.0.1:%1").arg(test::lookup::closedPort())}});
    EXPECT_EQ(lookup::IpLookupOutcome(QStringLiteral("1")).reason,
              query::FallbackReason::NoConnection);
    EXPECT_EQ(lookup::IpLookup(QStringLiteral("1")), kFailure);
}

// The IP service is waited for patiently: a pause that makes the whois lookup give up is sat
// out by both lookups.
TEST(IpLookup, WaitsOutASlowServiceWithoutTimeOut) {
    FixtureWeb web;
    web.route(kHome, "/ip/data/",
              test::Reply().delay(3000).send(test::httpResponse(
                  "HTTP/1.1 200 OK", {}, gbk(QStringLiteral("您的IP是：late</div>")))));
    web.route(kHome, "/ip/data/?ip=1",
              test::Reply()
                  .send("HTTP/1.1 200 OK\r\nContent-Length: 300\r\n\r\n")
                  .delay(3000)
                  .send(gbk(QStringLiteral("您查询的IP:late<br/>")))
                  .close());
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(lookup::OwnIpLookup(), QStringLiteral("您的IP是：late</div>"));
    EXPECT_GE(clock.elapsed(), 2900);
    clock.restart();
    EXPECT_EQ(lookup::IpLookup(QStringLiteral("1")), QStringLiteral("您查询的IP：late"));
    EXPECT_GE(clock.elapsed(), 2900);
}

// Start-up waits for the own address, so a service that never answers is given up on.
TEST(IpLookup, OwnAddressGivesUpOnASilentService) {
    FixtureWeb web;
    web.route(kHome, "/ip/data/", test::Reply().silent());
    QElapsedTimer clock;
    clock.start();
    const query::FetchOutcome outcome = lookup::OwnIpLookupOutcome();
    EXPECT_TRUE(outcome.value.isEmpty());
    EXPECT_TRUE(outcome.fellBack());
    EXPECT_GE(clock.elapsed(), lookup::kOwnIpStartUpWaitMs - 100);
    EXPECT_LT(clock.elapsed(), 3 * lookup::kOwnIpStartUpWaitMs);
}

TEST(IpLookup, CopesWithPagesOfManyMegabytes) {
    const QString filler = QStringLiteral("<td>填充:内容&nbsp;</td>\n").repeated(300000);
    FixtureWeb web;
    web.route(kHome, "/ip/data/?ip=1", gbkPage(gbk(filler + QStringLiteral("您查询的IP:1<br/>"))));
    web.route(kHome, "/ip/data/?ip=2", gbkPage(gbk(filler)));
    EXPECT_EQ(lookup::IpLookup(QStringLiteral("1")), QStringLiteral("您查询的IP：1"));
    // No stretch: the whole page after the rules.
    EXPECT_EQ(lookup::IpLookup(QStringLiteral("2")),
              QStringLiteral("<td>填充：内容</td>\n").repeated(300000));
}

} // namespace
} // namespace kelvane
