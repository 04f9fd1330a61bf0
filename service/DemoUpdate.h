#pragma once

#include <string>

namespace tamo::service {

// The file name of the demo installer in the update folder.
inline constexpr const char* kDemoInstallerName = "tamo_update.sh";

// Writes the demo installer into the folder (created when missing): a small shell script,
// executable, that appends one line to $TAMO_DEMO_UPDATE_LOG (default
// $XDG_DATA_HOME/Tamo/demo-update.log) each time it runs, so that a run can be seen.
[[nodiscard]] bool WriteDemoInstaller(const std::string& folder, std::string& error);

}  // namespace tamo::service
