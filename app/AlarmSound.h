#pragma once

#include <QString>

// The program's sounds: the folder of its own chimes, the file a setting names, playing a file.
namespace alarmsound {

// "<program folder>/alarm", where the two chimes are installed.
QString Folder();
// The file a setting names: a full path as it is, a bare name ("alarm_1.wav") in Folder().
QString PathOf(const QString& setting);
// Plays a sound file once, without waiting; a second play replaces the sound still playing.
// False when there is no such file or no sound support (silent, never failing).
bool Play(const QString& path);

}  // namespace alarmsound
