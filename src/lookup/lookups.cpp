#include "lookup/lookups.h"

#include "lookup/page_lookup.h"

namespace kelvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

PageLookup whoisRow() {
    PageLookup row;
    row.hostKey = QStringLiteral("whois");
    row.path = QStringLiteral("/cgi-bin/whois?domain=");
    // The test ignores case but the removal does not: "WWW." passes the test and stays.
    row.inputTokens = {QStringLiteral("www.")};
    row.options.userAgent = QString();
    row.options.readTimeoutMs = 2000;
    row.pattern = QStringLiteral("<!-- start -->((.|\\n)*?)友情提示");
    row.replacements = {{QStringLiteral("<!-- start -->"), QString()},
                        {QStringLiteral("友情提示"), QString()},
                        {QStringLiteral("\n"), kCrLf}};
    row.failureText = QString::fromUtf16(kWhoisFailureText);
    row.emptyText = row.failureText;
    return row;
}

PageLookup ownIpRow() {
    PageLookup row;
    row.hostKey = QStringLiteral("home");
    row.path = QStringLiteral("/ip/data/");
    // Start-up waits for this request: a service that accepts and never answers must not
    // keep the program from ever starting. Generous, so a slow service is still waited for.
    row.options.readTimeoutMs = kOwnIpStartUpWaitMs;
    row.pattern = QStringLiteral("您的IP是：((.|\\n)*?)</div>");
    row.replacements = {{QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;"), kCrLf},
                        {QStringLiteral("\t</div>"), QString()}};
    return row;
}

PageLookup ipRow() {
    PageLookup row;
    row.hostKey = QStringLiteral("home");
    row.path = QStringLiteral("/ip/data/?ip=");
    row.inputTokens = {QStringLiteral("http://")};
    row.pattern = QStringLiteral("您查询的IP:((.|\\n)*?)<br/>");
    row.answerWord = QStringLiteral("您输入的好像火星IP");
    row.answerText = QString::fromUtf16(kIpUnknownText);
    row.replacements = {{QStringLiteral("&nbsp;"), QString()},
                        {QStringLiteral(":"), QStringLiteral("：")},
                        {QStringLiteral("<br>"), kCrLf},
                        {QStringLiteral("<br/>"), QString()}};
    row.failureText = QString::fromUtf16(kIpFailureText);
    return row;
}

} // namespace

const LookupTable& lookupTable() {
    static const LookupTable table{whoisRow(), ownIpRow(), ipRow()};
    return table;
}

FetchOutcome WhoisLookupOutcome(const QString& name) {
    return RunPageLookup(lookupTable().whois, name);
}

QString WhoisLookup(const QString& name) {
    return WhoisLookupOutcome(name).value;
}

FetchOutcome OwnIpLookupOutcome() {
    return RunPageLookup(lookupTable().ownIp, QString());
}

QString OwnIpLookup() {
    return OwnIpLookupOutcome().value;
}

FetchOutcome IpLookupOutcome(const QString& typed) {
    return RunPageLookup(lookupTable().ip, typed);
}

QString IpLookup(const QString& typed) {
    return IpLookupOutcome(typed).value;
}

} // namespace kelvane
