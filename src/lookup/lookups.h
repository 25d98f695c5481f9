#pragma once

#include "lookup/page_lookup.h"
#include "query/fetch_and_extract.h"

#include <QString>

// The whois and IP address lookups: one request per call, returning the memo text. Each call
// makes and releases its own client and matcher; none processes user-interface events.
namespace kelvane::lookup {

// The rows behind the three lookups.
struct LookupTable {
    PageLookup whois;
    PageLookup ownIp;
    PageLookup ip;
};
const LookupTable& lookupTable();

// Memo texts of the whois window.
inline constexpr char16_t kWhoisRunningText[] = u"\r\n正在查询......";
inline constexpr char16_t kWhoisFailureText[] = u"\r\n网络超时，请稍后重试...";

// Texts of the IP window. The prompt is the edit's initial text; a lookup sends it as typed
// when the edit was never clicked.
inline constexpr char16_t kIpPromptText[] = u"请输入IP地址或者域名";
inline constexpr char16_t kIpRunningText[] = u"正在查询...";
inline constexpr char16_t kIpFailureText[] = u"网络超时,请稍后重试...";
inline constexpr char16_t kIpUnknownText[] = u"查询失败 !";

// The whois record of a name, as the memo shows it: every lower-case "www." dropped from the
// name, the page of the `whois` host cut between its markers, line feeds widened to CR LF.
// Any failure, and an empty record, give kWhoisFailureText. The 2000 ms read time-out bounds
// each wait for data, so a silent service gives up after about two seconds.
QString WhoisLookup(const QString& name);
query::FetchOutcome WhoisLookupOutcome(const QString& name);

// How long the own-address lookup waits for any data: start-up waits for it.
inline constexpr int kOwnIpStartUpWaitMs = 5000;

// The user's own address as the `home` service reports it; empty on any failure, a service
// silent for kOwnIpStartUpWaitMs included.
QString OwnIpLookup();
query::FetchOutcome OwnIpLookupOutcome();

// What the `home` service says about an address or host name, typed text with every
// "http://" dropped; kIpUnknownText for an address it does not recognise, kIpFailureText on
// any failure. Waits without limit for a service that accepts and never answers.
QString IpLookup(const QString& typed);
query::FetchOutcome IpLookupOutcome(const QString& typed);

} // namespace kelvane::lookup
