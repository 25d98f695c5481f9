// The engine definitions: the built-in file reproduces every row, a user file changes only
// what it names, and a bad file is refused with the place of each problem.
#include "keyword/keyword_engines.h"
#include "lookup/lookups.h"
#include "platform/text_codec.h"
#include "query/count_probes.h"
#include "query/engine_definitions.h"
#include "query/pacing.h"
#include "support/hosts_override.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using namespace Qt::Literals::StringLiterals;

const query::EngineDefinitions& loaded(const QByteArray& text) {
    const query::DefinitionsLoad load = query::loadDefinitions(text, u"user.json"_s);
    EXPECT_TRUE(load.problems.isEmpty())
        << (load.problems.isEmpty() ? std::string()
                                    : load.problems.first().toString().toStdString());
    return load.definitions ? *load.definitions : query::builtInDefinitions();
}

// Every request the rows make, as one text per row.
QStringList everyRequest() {
    QStringList requests;
    for (const query::CountProbeSpec& spec : query::CountProbeSpecs()) {
        const query::FetchRequest request = query::CountProbeRequest(spec, u"ab.example"_s);
        requests << request.url + u'|' + request.pattern + u'|' + request.morePatterns.join(u'|') +
                        u'|' + request.tokens.join(u'|') + u'|' + request.noResults;
    }
    for (query::EngineId engine : query::kAllEngines) {
        const keyword::KeywordEngineSpec& spec = keyword::KeywordEngine(engine);
        requests << keyword::KeywordPageUrl(spec, u"http://h"_s, u"kw"_s, 3) + u'|' +
                        QString::fromUtf16(spec.pattern);
    }
    const lookup::LookupTable& table = lookup::lookupTable();
    for (const lookup::PageLookup* row : {&table.whois, &table.ownIp, &table.ip})
        requests << lookup::PageLookupUrl(*row, u"www.ab.example"_s) + u'|' + row->pattern;
    return requests;
}

TEST(EngineDefinitions, ExportedBuiltInsLoadAsTheBuiltIns) {
    const query::EngineDefinitions& again = loaded(query::builtInDefinitionsText());
    EXPECT_TRUE(again.sameAs(query::builtInDefinitions()));
    EXPECT_NE(&again, &query::builtInDefinitions());
    const QStringList builtIn = everyRequest();
    const query::ScopedDefinitions inUse(again);
    EXPECT_EQ(everyRequest(), builtIn);
}

TEST(EngineDefinitions, PartialFileChangesOneRowAndNothingElse) {
    const QStringList before = everyRequest();
    const query::EngineDefinitions& changed = loaded(R"({"rows": [{
        "id": "baidu.site",
        "path": "/s?wd=site%3A{domain}&ie=utf-8",
        "patterns": ["该网站共有((.|\\n)*?)个网页", "找到相关结果数约((.|\\n)*?)个"]
    }]})");
    const query::ScopedDefinitions inUse(changed);
    const QStringList after = everyRequest();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.first(), u"http://www.baidu.com/s?wd=site%3Aab.example&ie=utf-8|"
                             u"该网站共有((.|\\n)*?)个网页|找到相关结果数约((.|\\n)*?)个|"
                             u"找到相关网页|约|篇|,|"_s);
    for (qsizetype i = 1; i < after.size(); ++i)
        EXPECT_EQ(after[i], before[i]) << i;
    // What the file leaves out keeps the built-in value.
    const query::CountProbeSpec& spec =
        query::CountProbeSpecFor(query::EngineId::Baidu, query::CountMetric::IndexedPages);
    EXPECT_EQ(QStringView(spec.row->userAgent), u"");
    EXPECT_EQ(spec.row->blockSigns->title, QStringView(u"百度安全验证"));
}

TEST(EngineDefinitions, BadFilesNameLineColumnAndProblem) {
    const struct {
        const char* name;
        QByteArray text;
        int line;
        int column;
        const char16_t* says;
    } cases[] = {
        {"syntax", "{\n  \"rows\": [\n    {\"id\": \"bing.site\",}\n  ]\n}", 3, 25, u"missing"},
        {"unknown top key", "{\"rows\": [], \"row\": 1}", 1, 14, u"unknown key \"row\""},
        {"unknown row", "{\"rows\": [\n {\"id\": \"baidu.sit\"}]}", 2, 3,
         u"unknown row \"baidu.sit\""},
        {"unknown key", "{\"rows\": [\n {\"id\": \"alexa\", \"patterns\": [\"x\"]}]}", 2, 18,
         u"unknown key \"patterns\" for row \"alexa\""},
        {"missing placeholder",
         "{\"rows\": [\n  {\"id\": \"bing.keyword\",\n   \"path\": \"/s?q={keyword}\"}]}", 3, 4,
         u"must hold {keyword} and {page}"},
        {"unknown placeholder", "{\"rows\": [{\"id\": \"whois\", \"path\": \"/w?d={domian}\"}]}", 1,
         27, u"unknown placeholder {domian}"},
        {"pattern the matcher rejects",
         "{\"rows\": [\n {\"id\": \"soso.site\",\n  \"patterns\": [\"ok\", \"(?<=x)y\"]}]}", 3, 22,
         u"invalid perl operator: (?<"},
        {"wrong type", "{\"rows\": [{\"id\": \"sogou.site\", \"redirects\": \"yes\"}]}", 1, 32,
         u"must be true or false"},
        {"row twice", "{\"rows\": [{\"id\": \"ip\"},\n {\"id\": \"ip\"}]}", 2, 3, u"given twice"},
        {"block sign",
         "{\"rows\": [{\"id\": \"bing.site\",\n \"blockSigns\": {\"titel\": \"x\"}}]}", 2, 17,
         u"is not a block sign"},
        {"too many tokens",
         "{\"rows\": [{\"id\": \"bing.site\", \"tokens\": "
         "[\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\",\"h\",\"i\"]}]}",
         1, 31, u"at most 8 tokens"},
        {"not a service", "{\"rows\": [{\"id\": \"bing.site\", \"host\": \"bingo\"}]}", 1, 31,
         u"[hosts]"},
    };
    for (const auto& c : cases) {
        const query::DefinitionsLoad load = query::loadDefinitions(c.text, u"user.json"_s);
        EXPECT_EQ(load.definitions, nullptr) << c.name;
        ASSERT_EQ(load.problems.size(), 1) << c.name;
        const query::DefinitionsProblem& problem = load.problems.first();
        EXPECT_EQ(problem.file, u"user.json"_s) << c.name;
        EXPECT_EQ(problem.line, c.line) << c.name << ": " << problem.toString().toStdString();
        EXPECT_EQ(problem.column, c.column) << c.name << ": " << problem.toString().toStdString();
        EXPECT_TRUE(problem.text.contains(QStringView(c.says)))
            << c.name << ": " << problem.toString().toStdString();
    }
}

TEST(EngineDefinitions, EveryProblemOfAFileIsNamedInOrder) {
    const query::DefinitionsLoad load = query::loadDefinitions(
        "{\"rows\": [\n{\"id\": \"x\"},\n{\"id\": \"bing.site\", \"mode\": \"gbk\"},\n"
        "{\"id\": \"ip\", \"minIntervalMs\": -1}]}",
        u"user.json"_s);
    ASSERT_EQ(load.problems.size(), 3);
    EXPECT_EQ(load.problems[0].line, 2);
    EXPECT_EQ(load.problems[1].line, 3);
    EXPECT_EQ(load.problems[2].line, 4);
}

TEST(EngineDefinitions, FallbackPatternsAndTheNoResultsSign) {
    const query::EngineDefinitions& changed = loaded(R"({"rows": [{
        "id": "bing.site",
        "patterns": ["共 ((.|\\n)*?) 条", "约 ((.|\\n)*?) 个结果"],
        "tokens": ["共 ", "约 ", " 条", " 个结果", ","],
        "noResults": "没有与此相关的结果"
    }]})");
    const query::ScopedDefinitions inUse(changed);
    const query::FetchRequest request = query::CountProbeRequest(
        query::CountProbeSpecFor(query::EngineId::Bing, query::CountMetric::IndexedPages), {});
    const struct {
        const char16_t* page;
        const char16_t* value;
        query::FallbackReason reason;
        int pattern;
    } cases[] = {
        {u"<p>共 1,234 条</p>", u"1234", query::FallbackReason::None, 0},
        {u"<p>约 56 个结果</p>", u"56", query::FallbackReason::None, 1},
        {u"<p>共 7 条</p><p>约 56 个结果</p>", u"7", query::FallbackReason::None, 0},
        {u"<p>没有与此相关的结果</p>", u"0", query::FallbackReason::None, -1},
        {u"<p>something else</p>", u"0", query::FallbackReason::NoMatch, -1},
    };
    for (const auto& c : cases) {
        const query::FetchOutcome outcome =
            query::ExtractFromPage(request, platform::PageText(QString::fromUtf16(c.page)));
        EXPECT_EQ(outcome.value, QStringView(c.value)) << QString::fromUtf16(c.page).toStdString();
        EXPECT_EQ(outcome.reason, c.reason) << QString::fromUtf16(c.page).toStdString();
        EXPECT_EQ(outcome.patternIndex, c.pattern) << QString::fromUtf16(c.page).toStdString();
    }
}

TEST(EngineDefinitions, PacingIsTheLongestIntervalOfAHostsRows) {
    EXPECT_EQ(query::minIntervalMsFor(u"bing"_s), 0);
    const query::EngineDefinitions& paced = loaded(R"({"rows": [
        {"id": "bing.site", "minIntervalMs": 1500},
        {"id": "bing.keyword", "minIntervalMs": 700}]})");
    const query::ScopedDefinitions inUse(paced);
    EXPECT_EQ(query::minIntervalMsFor(u"bing"_s), 1500);
    EXPECT_EQ(query::minIntervalMsFor(u"baidu"_s), 0);
    EXPECT_EQ(query::minIntervalMsFor(u"nothing"_s), 0);
}

// The pacer gives a host its rows' interval, and every other host the settings' one.
TEST(EngineDefinitions, PacingReachesThePacerByTheServicesHost) {
    const test::HostsOverride hosts(
        {{u"bing"_s, u"127.0.0.1:18081"_s}, {u"baidu"_s, u"127.0.0.1:18082"_s}});
    const query::ScopedDefinitions inUse(
        loaded(R"({"rows": [{"id": "bing.site", "minIntervalMs": 900}]})"));
    platform::PacingSettings pacing;
    pacing.minIntervalMs = 40;
    const query::PacingRules rules = query::pacingRulesFrom(pacing);
    EXPECT_EQ(rules.intervalMs(query::pacingHostOf(u"http://127.0.0.1:18081/search?q=x"_s)), 900);
    EXPECT_EQ(rules.intervalMs(query::pacingHostOf(u"http://127.0.0.1:18082/s?wd=x"_s)), 40);
}

TEST(EngineDefinitions, ABadFileLeavesTheBuiltInsInPlace) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"engines.json"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"rows\": [{\"id\": \"baidu.site\", \"patterns\": [\"(\"]}]}");
    file.close();
    const QStringList problems = query::useDefinitionsFile(path);
    ASSERT_EQ(problems.size(), 2);
    EXPECT_TRUE(problems.first().startsWith(path + u":1:"_s)) << problems.first().toStdString();
    EXPECT_EQ(&query::currentDefinitions(), &query::builtInDefinitions());
    EXPECT_EQ(query::useDefinitionsFile(dir.filePath(u"missing.json"_s)).size(), 2);
    EXPECT_TRUE(query::useDefinitionsFile(QString()).isEmpty());
    EXPECT_EQ(&query::currentDefinitions(), &query::builtInDefinitions());
}

// Each reader's problem in full, and each kind's own limits on patterns and tokens.
TEST(EngineDefinitions, EachReaderSaysWhatItTakes) {
    const struct {
        const char* id;
        const char* key;
        const char* value;
        const char16_t* says;
    } cases[] = {
        {"baidu.keyword", "keywordBytes", "\"gbk\"", uR"(must be "ansi" or "utf-8")"},
        {"baidu.keyword", "guarded", "true", uR"(must be "page-loop" or "whole-search")"},
        {"baidu.keyword", "pageStep", "1.5", u"must be a whole number from 0 to 1000000"},
        {"baidu.keyword", "pageBase", "1000001", u"must be a whole number from 0 to 1000000"},
        {"baidu.keyword", "errorText", "3", u"must be a text"},
        {"bing.site", "fallback", "null", u"must be a text"},
        {"bing.site", "pump", "\"no\"", u"must be true or false"},
        {"bing.site", "minIntervalMs", "600001", u"must be a whole number from 0 to 600000"},
        {"bing.site", "minIntervalMs", "-1", u"must be a whole number from 0 to 600000"},
        {"bing.site", "tokens", "\"x\"", u"must be a list of texts"},
        {"bing.site", "patterns", R"(["a","b","c","d","e"])", u"must hold 1 to 4 patterns"},
        {"pagerank", "patterns", "[]", u"must hold 1 to 4 patterns"},
        {"google.keyword", "patterns", R"(["a","b"])", u"must hold exactly 1 pattern"},
        {"baidu.snapshot", "patterns", R"(["a","b"])", u"must hold exactly 1 pattern"},
        {"whois", "inputTokens", R"([""])", u"must not be empty"},
    };
    for (const auto& c : cases) {
        const QByteArray text = QByteArray(R"({"rows": [{"id": ")") + c.id + R"(", ")" + c.key +
                                "\": " + c.value + "}]}";
        const query::DefinitionsLoad load = query::loadDefinitions(text, u"user.json"_s);
        ASSERT_EQ(load.problems.size(), 1) << text.toStdString();
        EXPECT_EQ(load.problems.first().text,
                  QStringLiteral("row \"%1\", %2: %3")
                      .arg(QLatin1String(c.id), QLatin1String(c.key), QStringView(c.says)))
            << text.toStdString();
    }
}

// Both words of a choice, the largest numbers taken, and a rank row's tokens without limit.
TEST(EngineDefinitions, PlainValuesReachTheRow) {
    const struct {
        const char* keywordBytes;
        const char* guarded;
        const char* flag;
        bool set;
    } cases[] = {{"ansi", "page-loop", "false", false}, {"utf-8", "whole-search", "true", true}};
    for (const auto& c : cases) {
        const QByteArray text =
            QByteArray(R"({"rows": [{"id": "baidu.keyword", "keywordBytes": ")") + c.keywordBytes +
            R"(", "guarded": ")" + c.guarded +
            R"(", "pageStep": 7, "pageBase": 1000000, "errorText": "e"},
            {"id": "bing.site", "pump": )" +
            c.flag + R"(, "redirects": )" + c.flag +
            R"(, "fallback": "-", "minIntervalMs": 600000},
            {"id": "pagerank", "tokens": ["a", "b", "c", "d", "e", "f", "g", "h", "i"]}]})";
        const query::EngineDefinitions& set = loaded(text);
        const query::EngineRow& keyword = set.row(u"baidu.keyword");
        EXPECT_EQ(keyword.keywordUtf8, c.set) << c.keywordBytes;
        EXPECT_EQ(keyword.guardWholeSearch, c.set) << c.guarded;
        EXPECT_EQ(keyword.pageStep, 7);
        EXPECT_EQ(keyword.pageBase, 1000000);
        EXPECT_EQ(QStringView(keyword.errorText), u"e");
        const query::EngineRow& count = set.row(u"bing.site");
        EXPECT_EQ(count.pumpAtEnd, c.set) << c.flag;
        EXPECT_EQ(count.followRedirects, c.set) << c.flag;
        EXPECT_EQ(QStringView(count.fallback), u"-");
        EXPECT_EQ(count.minIntervalMs, 600000);
        EXPECT_EQ(set.row(u"pagerank").tokens.size(), 9u);
    }
}

// A count probe reads its row in the set it was derived from, not a copy of it.
TEST(EngineDefinitions, CountProbesPointAtTheRowsOfTheirSet) {
    const query::EngineDefinitions& changed =
        loaded(R"({"rows": [{"id": "yahoo.link", "tokens": ["a"]}]})");
    for (const query::EngineDefinitions* set : {&query::builtInDefinitions(), &changed}) {
        for (const query::CountProbeSpec& probe : query::CountProbeSpecsOf(*set)) {
            EXPECT_EQ(probe.row, &set->row(probe.row->id))
                << QStringView(probe.name).toString().toStdString();
            EXPECT_EQ(probe.row->kind, query::EngineRowKind::Count);
        }
    }
    const query::ScopedDefinitions inUse(changed);
    const query::CountProbeSpec& probe =
        query::CountProbeSpecFor(query::EngineId::Yahoo, query::CountMetric::Backlinks);
    EXPECT_EQ(probe.row, &changed.row(u"yahoo.link"));
    EXPECT_EQ(QStringView(probe.name), u"YahooLinkCount");
    EXPECT_EQ(query::CountProbeRequest(probe, u"ab.example"_s).tokens, QStringList{u"a"_s});
}

} // namespace
} // namespace kelvane

namespace kelvane {
namespace {

TEST(EngineDefinitions, HttpsExampleLoadsAndReadsBothBaiduPhrases) {
    const query::DefinitionsLoad load = query::loadDefinitionsFile(
        QStringLiteral(KELVANE_FIXTURES_DIR "/../../data/engines-https.json"));
    ASSERT_NE(load.definitions, nullptr)
        << (load.problems.isEmpty() ? std::string()
                                    : load.problems.first().toString().toStdString());
    const query::ScopedDefinitions inUse(*load.definitions);
    const query::FetchRequest request = query::CountProbeRequest(
        query::CountProbeSpecFor(query::EngineId::Baidu, query::CountMetric::IndexedPages), {});
    for (const char16_t* page : {u"<p>百度为您找到相关结果数约1,230个</p>",
                                 u"<div>该网站共有 1,230 个网页被百度收录</div>"}) {
        const query::FetchOutcome outcome =
            query::ExtractFromPage(request, platform::PageText(QString::fromUtf16(page)));
        EXPECT_EQ(outcome.value, QStringLiteral("1230")) << QString::fromUtf16(page).toStdString();
    }
    // Google's rows stay as built in.
    EXPECT_TRUE(load.definitions->rowObject(2) == query::builtInDefinitions().rowObject(2));
}

} // namespace
} // namespace kelvane
