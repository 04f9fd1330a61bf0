#include "platform/Registry.h"

#include <cstring>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include "platform/PrivateFiles.h"

namespace platform {

namespace {

// Each ordinary key is an INI group; this entry marks a key that exists but holds no value yet.
const QString kKeyMarker = QStringLiteral("(key)");

QString GroupOf(const QString& path)
{
    QString group = path;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (group.endsWith(QLatin1Char('/')))
        group.chop(1);
    return group;
}

QString ConfigHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

// The store holds the scrambled password: its folder and file are the user's alone. A missing
// file is made empty and private before QSettings writes it, since QSettings replaces a file
// keeping the mode of the one it replaces but creates a new one with the umask's mode. With
// IfMissing::Skip only what exists is tightened (a store left by an older build).
bool MakeStorePrivate(IfMissing missing)
{
    const QString folder = QFileInfo(CRegKey::StorePath()).absolutePath();
    MakePrivateFolder(folder, folder, missing);
    if (missing == IfMissing::Create && !QFileInfo(folder).isDir())
        return false;
    MakePrivateFile(CRegKey::StorePath(), missing);
    return true;
}

// Stored form of a value in the INI file: "<type>:<payload>".
QString Encode(const RegValue& value)
{
    switch (value.type) {
    case RegType::Dword:
        return QStringLiteral("dword:") + QString::fromLatin1(value.data.toHex());
    case RegType::Binary:
        return QStringLiteral("binary:") + QString::fromLatin1(value.data.toHex());
    case RegType::Sz:
        break;
    }
    return QStringLiteral("sz:") + value.ToString();
}

std::optional<RegValue> Decode(const QString& stored)
{
    if (stored.startsWith(QLatin1String("sz:")))
        return RegValue::FromString(stored.mid(3));
    if (stored.startsWith(QLatin1String("dword:")))
        return RegValue{RegType::Dword, QByteArray::fromHex(stored.mid(6).toLatin1())};
    if (stored.startsWith(QLatin1String("binary:")))
        return RegValue{RegType::Binary, QByteArray::fromHex(stored.mid(7).toLatin1())};
    return std::nullopt;  // written by hand in some other form: as good as missing
}

// Desktop-entry quoting of a command line: one argument, quoted when it needs it.
QString QuoteExec(const QString& command)
{
    static const QString kSpecial = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
    bool needs = false;
    for (QChar c : command)
        needs = needs || kSpecial.contains(c);
    if (!needs)
        return command;
    QString quoted = QStringLiteral("\"");
    for (QChar c : command) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

QString UnquoteExec(const QString& exec)
{
    const QString trimmed = exec.trimmed();
    if (trimmed.size() < 2 || !trimmed.startsWith(QLatin1Char('"')) || !trimmed.endsWith(QLatin1Char('"')))
        return trimmed;
    QString plain;
    for (qsizetype i = 1; i + 1 < trimmed.size(); ++i) {
        if (trimmed[i] == QLatin1Char('\\') && i + 2 < trimmed.size())
            ++i;
        plain += trimmed[i];
    }
    return plain;
}

}  // namespace

RegValue RegValue::FromDword(DWORD value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((value >> (8 * i)) & 0xFF);
    return {RegType::Dword, bytes};
}

RegValue RegValue::FromString(const QString& text)
{
    QByteArray bytes(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    bytes.append(2, '\0');
    return {RegType::Sz, bytes};
}

RegValue RegValue::FromBinary(const QByteArray& bytes) { return {RegType::Binary, bytes}; }

QString RegValue::ToString() const
{
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(data.constData()), data.size() / 2);
    const qsizetype zero = text.indexOf(QChar(0));
    if (zero >= 0)
        text.truncate(zero);
    return text;
}

CRegKey::~CRegKey() { Close(); }

QString CRegKey::StorePath() { return ConfigHome() + QStringLiteral("/Tamo/registry.ini"); }

const QString& CRegKey::RunKeyPath()
{
    static const QString path = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    return path;
}

bool CRegKey::IsRunKey() const { return GroupOf(m_path).compare(GroupOf(RunKeyPath()), Qt::CaseInsensitive) == 0; }

QString CRegKey::AutostartFile(const QString& name) const
{
    return ConfigHome() + QStringLiteral("/autostart/") + name + QStringLiteral(".desktop");
}

bool CRegKey::Open(const QString& path)
{
    Close();
    m_path = path;
    if (IsRunKey()) {
        m_open = !ConfigHome().isEmpty();
        return m_open;
    }
    MakeStorePrivate(IfMissing::Skip);
    QSettings store(StorePath(), QSettings::IniFormat);
    store.beginGroup(GroupOf(path));
    m_open = store.status() == QSettings::NoError && !(store.childKeys().isEmpty() && store.childGroups().isEmpty());
    return m_open;
}

bool CRegKey::Create(const QString& path)
{
    Close();
    m_path = path;
    if (IsRunKey()) {
        // The autostart folder is shared with other programs: made private when we make it,
        // left as it is otherwise.
        const QString folder = ConfigHome() + QStringLiteral("/autostart");
        m_open = !ConfigHome().isEmpty() && (MakePrivateFolder(folder, QString()) || QFileInfo(folder).isDir());
        return m_open;
    }
    if (!MakeStorePrivate(IfMissing::Create))
        return false;
    QSettings store(StorePath(), QSettings::IniFormat);
    store.beginGroup(GroupOf(path));
    if (store.childKeys().isEmpty())
        store.setValue(kKeyMarker, 1);
    store.endGroup();
    store.sync();
    m_open = store.status() == QSettings::NoError;
    return m_open;
}

void CRegKey::Close()
{
    m_open = false;
}

std::optional<RegValue> CRegKey::QueryValue(const QString& name) const
{
    if (!m_open || name == kKeyMarker)
        return std::nullopt;
    if (IsRunKey()) {
        QSettings entry(AutostartFile(name), QSettings::IniFormat);
        if (!QFile::exists(AutostartFile(name)))
            return std::nullopt;
        MakePrivateFile(AutostartFile(name));
        return RegValue::FromString(UnquoteExec(entry.value(QStringLiteral("Desktop Entry/Exec")).toString()));
    }
    QSettings store(StorePath(), QSettings::IniFormat);
    store.beginGroup(GroupOf(m_path));
    const QVariant stored = store.value(name);
    if (!stored.isValid())
        return std::nullopt;
    return Decode(stored.toString());
}

bool CRegKey::QueryValue(const QString& name, void* buffer, DWORD bufferSize, DWORD* size, RegType* type) const
{
    const std::optional<RegValue> value = QueryValue(name);
    if (!value || DWORD(value->data.size()) > bufferSize)
        return false;
    if (buffer && !value->data.isEmpty())
        std::memcpy(buffer, value->data.constData(), size_t(value->data.size()));
    if (size)
        *size = DWORD(value->data.size());
    if (type)
        *type = value->type;
    return true;
}

bool CRegKey::SetValue(const QString& name, const RegValue& value)
{
    if (!m_open || name == kKeyMarker)
        return false;
    if (IsRunKey()) {
        // Written whole and renamed into place, so a desktop session never reads half an entry.
        QSaveFile file(AutostartFile(name));
        if (!file.open(QIODevice::WriteOnly) || !MakePrivateFile(file))
            return false;
        const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n"
                                            "X-GNOME-Autostart-enabled=true\n")
                                 .arg(name, QuoteExec(value.ToString()));
        file.write(text.toUtf8());
        return file.commit();
    }
    MakeStorePrivate(IfMissing::Create);
    QSettings store(StorePath(), QSettings::IniFormat);
    store.beginGroup(GroupOf(m_path));
    store.setValue(name, Encode(value));
    store.remove(kKeyMarker);
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

bool CRegKey::DeleteValue(const QString& name)
{
    if (!m_open || name == kKeyMarker)
        return false;
    if (IsRunKey())
        return QFile::remove(AutostartFile(name));
    QSettings store(StorePath(), QSettings::IniFormat);
    store.beginGroup(GroupOf(m_path));
    if (!store.contains(name))
        return false;
    store.remove(name);
    if (store.childKeys().isEmpty())
        store.setValue(kKeyMarker, 1);  // the key outlives its last value, as in the registry
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

}  // namespace platform
