#pragma once

namespace tamo {

// Maps the Windows faces the dialogs name ("돋움", "굴림", "Microsoft Sans Serif") to the
// installed Korean face. Call once at start-up, after the application object exists.
void InstallFontSubstitutes();

}  // namespace tamo
