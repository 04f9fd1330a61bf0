#pragma once

#include <QByteArray>
#include <QString>

#include "platform/WinTypes.h"

// The program's settings table: values under HKCU "Software\Tamo\Calendar", addressed by index
// with their defaults. Every helper opens the key, does its work and closes it again; nothing is
// cached, and a failed read gives the row's default.
namespace settings {

inline const QString kKeyPath = QStringLiteral("Software\\Tamo\\Calendar");

enum Index {
    AutoStart = 0,
    Mode = 1,
    HideInTray = 2,
    AutoLogin = 3,
    HideTodo = 4,
    AlarmMode = 5,
    AlarmSound = 6,
    AlarmSoundFile = 7,
    NoAlarmInFullscreen = 8,
    PcKey = 9,
    TaskBar = 10,
    Outlook = 11,
    SavePW = 12,
    ExitHide = 13,
    Position = 14,
    SyncDate = 15,
    SyncServerDate = 16,
    Install = 17,
    // 1: a pair deleted on one side since the last sync stays deleted (off by default).
    SyncKeepDeletions = 18,
    Count = 19
};

enum class Kind { Dword, String, Binary };

struct Row {
    const char* name;
    Kind kind;
    DWORD defaultNumber;        // for DWORD rows
    const char* defaultText;    // for REG_SZ rows (UTF-8)
};

// The row of an index; index must be below Count.
const Row& GetRow(int index);
QString ValueName(int index);

// Names of the login values kept beside the table.
inline const QString kUserID = QStringLiteral("UserID");
inline const QString kUserPW = QStringLiteral("UserPW");
inline const QString kLastLogin = QStringLiteral("LastLogin");
inline const QString kSaveID = QStringLiteral("SaveID");
// "UserID_1" ... "UserID_5".
QString UserIdSlot(int number);

}  // namespace settings

// The DWORD of a row, or its default when the key or value can't be read. The stored type is not
// checked: up to 4 stored bytes read as a little-endian number, anything longer is a failed read.
DWORD ReadSetting(int index);
// Writes the row's value as a DWORD (flags as 0 or 1; "AlarmMode" takes its raw number).
bool WriteSettingFlag(int index, DWORD value);
// The text of a REG_SZ row, or its default.
QString ReadSettingString(int index);
bool WriteSettingString(int index, const QString& text);

QString ReadAlarmSoundFile();
// Reads "Position" into 8 bytes (left, top as signed 32-bit); true only for a value of exactly 8 bytes.
bool ReadWindowPosition(void* buffer8);
bool WriteWindowPosition(const void* buffer8);

// The string reader: any failure gives the fallback.
QString ReadRegString(const QString& keyPath, const QString& valueName, const QString& fallback);
// The DWORD reader of the same kind (for the login values).
DWORD ReadRegDword(const QString& keyPath, const QString& valueName, DWORD fallback);
bool WriteRegString(const QString& keyPath, const QString& valueName, const QString& text);
bool WriteRegDword(const QString& keyPath, const QString& valueName, DWORD value);
bool DeleteRegValue(const QString& keyPath, const QString& valueName);

// The auto-start value "TamoSync" under the Run key.
bool IsAutoStartRegistered();
bool RegisterAutoStart(const QString& command);
bool UnregisterAutoStart();
// The command text the program registers: the program's folder and its name, no quotes or arguments.
QString AutoStartCommand();
