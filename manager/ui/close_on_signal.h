#pragma once

class QWidget;

namespace tivolen::manager {

// Turns SIGTERM, SIGHUP and SIGINT (a session ending, a terminal closing)
// into an ordinary close of `window`, so that closing saves the list as every
// other way of closing does. Call once; the window must outlive the program's
// event loop.
void CloseOnTerminationSignals(QWidget& window);

}  // namespace tivolen::manager
