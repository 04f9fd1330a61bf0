#pragma once

#include <functional>

class CExplorer;
class QWidget;

// Start-up measurement, off unless the environment asks for it; the program behaves the same
// either way. TAMO_STARTUP_TRACE=1 writes one line per step to the error output:
//     tamo-startup <step> <CLOCK_MONOTONIC microseconds>
// so that a parent that started the program can subtract its own start time.
// TAMO_STARTUP_NO_WEB=1 starts the program without Chromium (no profile, no view; the page area
// stays empty), to tell the program's own cost from the web view's.
namespace startup {

bool Tracing();
bool WebViewOff();
void Mark(const char* szStep);

// Marks the main window's paints and its page's load:
//   window-painted     the first paint of the main window
//   signed-in-painted  the first paint of the main window once signed in
//   page-loaded        the main frame's first successful load
//   page-painted       the first frame of the view after page-loaded that is not blank
//   ready              signed-in-painted and, with the web view, page-painted
void WatchMainWindow(QWidget* window, CExplorer* explorer, std::function<bool()> fnSignedIn);

}  // namespace startup
