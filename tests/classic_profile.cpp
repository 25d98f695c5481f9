// Every test program runs the original's behaviour unless a test names the today profile
// itself: set before main, so the first read of the settings already sees it, and inherited by
// the programs the tests start.
#include <QByteArray>
#include <QtGlobal>

namespace {

[[maybe_unused]] const bool kClassicProfile = [] {
    if (!qEnvironmentVariableIsSet("KELVANE_PROFILE"))
        qputenv("KELVANE_PROFILE", QByteArrayLiteral("classic"));
    return true;
}();

} // namespace
