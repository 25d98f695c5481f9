#pragma once

namespace kelvane::app {

// What the desktop knows the program by: its name, its menu entry, and a run that outlives its
// last visible window. No display name is set: the platform would append it to every caption.
void applyApplicationIdentity();

// The program: the application, its windows in the start-up order, the main window shown,
// the event loop until the tray menu ends it.
int RunKelvane(int argc, char** argv);

} // namespace kelvane::app
