#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

#include "platform/WinTypes.h"

namespace platform {

// Value types of the registry that the system uses.
enum class RegType { Dword = 4, Sz = 1, Binary = 3 };

struct RegValue {
    RegType type = RegType::Sz;
    // Raw bytes as the registry keeps them: DWORD as 4 little-endian bytes, SZ as UTF-16LE with
    // its terminating zero, BINARY as given.
    QByteArray data;

    static RegValue FromDword(DWORD value);
    static RegValue FromString(const QString& text);
    static RegValue FromBinary(const QByteArray& bytes);
    // The SZ text (up to the first zero character); for other types the bytes read as UTF-16LE.
    QString ToString() const;
};

// A key below HKEY_CURRENT_USER, such as "Software\Tamo\Calendar". Open it, work, close it:
// nothing is cached between openings, so other processes see each write at once.
//
// Values live in "$XDG_CONFIG_HOME/Tamo/registry.ini". The key
// "Software\Microsoft\Windows\CurrentVersion\Run" is the desktop's autostart list instead:
// each value is the entry "$XDG_CONFIG_HOME/autostart/<name>.desktop", its Exec line the text.
// Key and value names are compared as written (the callers always use the same spelling).
class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey();
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    // Opens an existing key; false when it does not exist (or its store can't be read).
    [[nodiscard]] bool Open(const QString& path);
    // Opens the key, creating it and its parents when missing; false when the store can't be written.
    [[nodiscard]] bool Create(const QString& path);
    void Close();
    bool IsOpen() const { return m_open; }

    // The value with its type and raw bytes; nothing when it is missing.
    std::optional<RegValue> QueryValue(const QString& name) const;
    // Reads like RegQueryValueEx into a buffer of bufferSize bytes: false when the value is
    // missing or larger than the buffer; otherwise the bytes are copied and their count set.
    bool QueryValue(const QString& name, void* buffer, DWORD bufferSize, DWORD* size, RegType* type = nullptr) const;

    bool SetValue(const QString& name, const RegValue& value);
    bool SetDword(const QString& name, DWORD value) { return SetValue(name, RegValue::FromDword(value)); }
    bool SetString(const QString& name, const QString& text) { return SetValue(name, RegValue::FromString(text)); }
    bool SetBinary(const QString& name, const QByteArray& bytes) { return SetValue(name, RegValue::FromBinary(bytes)); }
    bool DeleteValue(const QString& name);

    // The file that holds the ordinary keys.
    static QString StorePath();
    static const QString& RunKeyPath();

private:
    bool IsRunKey() const;
    QString AutostartFile(const QString& name) const;

    QString m_path;
    bool m_open = false;
};

}  // namespace platform
