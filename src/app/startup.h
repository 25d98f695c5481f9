#pragma once

namespace kelvane::app {

// The program: the application, its windows in the start-up order, the main window shown,
// the event loop until the tray menu ends it.
int RunKelvane(int argc, char** argv);

} // namespace kelvane::app
