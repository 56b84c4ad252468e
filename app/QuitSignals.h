// Closing the main window on SIGTERM, SIGINT and SIGHUP (a session logout, Ctrl+C in a
// terminal), so the settings are written as on any other close.
#pragma once

class QWidget;

namespace folivex {
void CloseOnQuitSignals(QWidget* window);
}
