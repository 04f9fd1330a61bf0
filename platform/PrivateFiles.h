#pragma once

#include <QString>

class QFileDevice;

// What the program keeps for the user (the settings with the scrambled password, the Outlook
// store, the sync logs) is readable by that user alone, as a per-user registry and profile are:
// folders 0700, files 0600. The modes are POSIX; elsewhere the functions only create what is
// missing and report success.
namespace platform {

enum class IfMissing { Create, Skip };

// Makes `folder` private. Missing folders on the way to it are created 0700 (IfMissing::Create;
// with Skip nothing is created). Existing folders at or below `ownedRoot` (the program's own
// ".../Tamo") are set to 0700; those above it, such as the home folder or $XDG_CONFIG_HOME, are
// shared with other programs and keep their mode. An empty ownedRoot, or one that does not
// contain `folder`, changes no existing folder.
// True when nothing failed (with Create: the folder exists afterwards).
bool MakePrivateFolder(const QString& folder, const QString& ownedRoot, IfMissing missing = IfMissing::Create);

// Sets an existing regular file to 0600. With IfMissing::Create a missing file is first created
// empty and 0600, so that a writer that keeps the mode of the file it replaces or appends to
// (QSettings, QSaveFile, fopen "a") keeps it private. A missing file with Skip is no failure.
bool MakePrivateFile(const QString& file, IfMissing missing = IfMissing::Skip);

// Sets an open file to 0600: a QSaveFile's new file before its commit, so the file renamed into
// place is private from its first moment.
bool MakePrivateFile(QFileDevice& file);

}  // namespace platform
