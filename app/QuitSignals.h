// Closing the main window on SIGTERM, SIGINT and SIGHUP (a session logout, Ctrl+C in a
// terminal), so the settings are written as on any other close -- also while a message
// box or dialog is open, and during the start-up, whose boxes are answered first.
#pragma once

class QWidget;

namespace folivex {
// Call before the window's start-up runs, so no signal meets the default action.
void CloseOnQuitSignals(QWidget* window);
} // namespace folivex
