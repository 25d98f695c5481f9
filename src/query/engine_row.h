#pragma once

#include "query/fetch_and_extract.h"

#include <QStringList>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

// What one row of the engine definitions holds, as the procedures read it.
namespace kelvane::query {

struct BlockSigns;

// Which procedure reads a row; fixed by the row's id.
enum class EngineRowKind { Count, Rank, Snapshot, Keyword, Lookup };

// One row. Texts are held by the set the row belongs to, and a set lives as long as the
// process: a pointer taken from a row never dangles. A null text was not given.
struct EngineRow {
    const char16_t* id = nullptr;
    EngineRowKind kind = EngineRowKind::Count;
    const char16_t* hostKey = nullptr;
    // The path split at its placeholders ("{domain}", "{keyword}", "{page}", "{address}"):
    // one piece more than placeholders, which stand in the built-in row's order.
    std::vector<const char16_t*> pathPieces;
    FetchMode mode = FetchMode::Stream;
    const char16_t* userAgent = nullptr; // null keeps the client's own; u"" sends none
    bool followRedirects = false;
    std::optional<int> readTimeoutMs;
    bool pumpAtEnd = false;
    // In order; the first that matches wins.
    std::vector<const char16_t*> patterns;
    std::vector<const char16_t*> tokens;
    const char16_t* fallback = nullptr;
    // A page matching it (and no pattern) holds a real zero: the fallback with outcome ok.
    const char16_t* noResults = nullptr;
    const BlockSigns* blockSigns = nullptr;
    // The least time between two requests to this row's host.
    int minIntervalMs = 0;
    // The year the row's service closed: nothing is sent. 0: it answers.
    int closedYear = 0;
    // What the cut value must look like.
    ValueKind value = ValueKind::Text;
    // Request headers beside the client's own (name, value), in the file's order.
    std::vector<std::pair<const char16_t*, const char16_t*>> headers;
    // Keyword rows.
    int pageStep = 0;
    int pageBase = 0;
    bool keywordUtf8 = false;
    const char16_t* errorText = nullptr;
    bool guardWholeSearch = false;
    // Lookup rows.
    std::vector<const char16_t*> inputTokens;
    std::vector<std::pair<const char16_t*, const char16_t*>> replacements;
    const char16_t* answerWord = nullptr;

    // The path piece before placeholder n (the last piece: after every placeholder).
    const char16_t* piece(std::size_t n) const {
        return n < pathPieces.size() ? pathPieces[n] : u"";
    }
};

// A list of a row's texts (patterns, tokens, ...) as the procedures take them.
QStringList textsOf(const std::vector<const char16_t*>& texts);

} // namespace kelvane::query
