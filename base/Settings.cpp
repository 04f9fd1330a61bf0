#include "base/Settings.h"

#include <array>
#include <cstring>

#include <QCoreApplication>
#include <QDir>

#include "platform/Registry.h"

using platform::CRegKey;

namespace settings {

namespace {
constexpr std::array<Row, Count> kRows = {{
    {"AutoStart", Kind::Dword, 1, nullptr},
    {"Mode", Kind::Dword, 0, nullptr},
    {"HideInTray", Kind::Dword, 0, nullptr},
    {"AutoLogin", Kind::Dword, 1, nullptr},
    {"HideTodo", Kind::Dword, 0, nullptr},
    {"AlarmMode", Kind::Dword, 0, nullptr},
    {"AlarmSound", Kind::Dword, 1, nullptr},
    {"AlarmSoundFile", Kind::String, 0, "alarm_1.wav"},
    {"NoAlarmInFullscreen", Kind::Dword, 0, nullptr},
    {"PcKey", Kind::String, 0, "0"},
    {"TaskBar", Kind::Dword, 1, nullptr},
    {"Outlook", Kind::String, 0, ""},
    {"SavePW", Kind::Dword, 1, nullptr},
    {"ExitHide", Kind::Dword, 1, nullptr},
    {"Position", Kind::Binary, 0, nullptr},
    {"SyncDate", Kind::String, 0, ""},
    {"SyncServerDate", Kind::String, 0, ""},
    {"Install", Kind::Dword, 0, nullptr},
    {"SyncKeepDeletions", Kind::Dword, 0, nullptr},
}};
}  // namespace

const Row& GetRow(int index) { return kRows.at(size_t(index)); }

QString ValueName(int index) { return QString::fromLatin1(GetRow(index).name); }

QString UserIdSlot(int number) { return QStringLiteral("UserID_%1").arg(number); }

}  // namespace settings

DWORD ReadRegDword(const QString& keyPath, const QString& valueName, DWORD fallback)
{
    CRegKey key;
    if (!key.Open(keyPath))
        return fallback;
    unsigned char bytes[4] = {0, 0, 0, 0};
    DWORD size = 0;
    if (!key.QueryValue(valueName, bytes, sizeof bytes, &size))
        return fallback;
    return DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
}

bool WriteRegDword(const QString& keyPath, const QString& valueName, DWORD value)
{
    CRegKey key;
    return key.Create(keyPath) && key.SetDword(valueName, value);
}

QString ReadRegString(const QString& keyPath, const QString& valueName, const QString& fallback)
{
    CRegKey key;
    if (!key.Open(keyPath))
        return fallback;
    const std::optional<platform::RegValue> value = key.QueryValue(valueName);
    if (!value)
        return fallback;
    return value->ToString();
}

bool WriteRegString(const QString& keyPath, const QString& valueName, const QString& text)
{
    CRegKey key;
    return key.Create(keyPath) && key.SetString(valueName, text);
}

bool DeleteRegValue(const QString& keyPath, const QString& valueName)
{
    CRegKey key;
    return key.Open(keyPath) && key.DeleteValue(valueName);
}

DWORD ReadSetting(int index)
{
    return ReadRegDword(settings::kKeyPath, settings::ValueName(index), settings::GetRow(index).defaultNumber);
}

bool WriteSettingFlag(int index, DWORD value)
{
    return WriteRegDword(settings::kKeyPath, settings::ValueName(index), value);
}

QString ReadSettingString(int index)
{
    const settings::Row& row = settings::GetRow(index);
    return ReadRegString(settings::kKeyPath, settings::ValueName(index),
                         QString::fromUtf8(row.defaultText ? row.defaultText : ""));
}

bool WriteSettingString(int index, const QString& text)
{
    return WriteRegString(settings::kKeyPath, settings::ValueName(index), text);
}

QString ReadAlarmSoundFile() { return ReadSettingString(settings::AlarmSoundFile); }

bool ReadWindowPosition(void* buffer8)
{
    CRegKey key;
    if (!key.Open(settings::kKeyPath))
        return false;
    unsigned char bytes[8];
    DWORD size = 0;
    if (!key.QueryValue(settings::ValueName(settings::Position), bytes, sizeof bytes, &size) || size != 8)
        return false;
    std::memcpy(buffer8, bytes, 8);
    return true;
}

bool WriteWindowPosition(const void* buffer8)
{
    CRegKey key;
    return key.Create(settings::kKeyPath) &&
           key.SetBinary(settings::ValueName(settings::Position),
                         QByteArray(static_cast<const char*>(buffer8), 8));
}

namespace {
const QString kAutoStartValue = QStringLiteral("TamoSync");
}

bool IsAutoStartRegistered()
{
    CRegKey key;
    if (!key.Open(CRegKey::RunKeyPath()))
        return false;
    const std::optional<platform::RegValue> value = key.QueryValue(kAutoStartValue);
    return value && !value->ToString().isEmpty();
}

bool RegisterAutoStart(const QString& command)
{
    CRegKey key;
    return key.Create(CRegKey::RunKeyPath()) && key.SetString(kAutoStartValue, command);
}

bool UnregisterAutoStart()
{
    CRegKey key;
    if (!key.Open(CRegKey::RunKeyPath()))
        return false;
    // Deleting a value that is not there leaves the wanted state: not registered.
    return key.DeleteValue(kAutoStartValue) || !key.QueryValue(kAutoStartValue);
}

QString AutoStartCommand()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("TamoSync"));
}
