// A user's engine definitions file: whatever it holds, reading it ends with definitions or
// with problems, and every problem stands on a line and column inside the file.
#include "fuzz_check.h"
#include "query/engine_definitions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    const QByteArray text = fuzz::bytesOf(data, size);
    const QList<query::DefinitionsProblem> problems =
        query::checkDefinitions(text, QStringLiteral("fuzz.json"));
    const int lines = static_cast<int>(text.count('\n')) + 1;
    for (const query::DefinitionsProblem& problem : problems) {
        FUZZ_CHECK(problem.line >= 1 && problem.line <= lines);
        FUZZ_CHECK(problem.column >= 1 && problem.column <= static_cast<int>(size) + 1);
        FUZZ_CHECK(!problem.text.isEmpty());
    }
    return 0;
}
