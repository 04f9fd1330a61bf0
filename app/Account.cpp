#include "app/Account.h"

#include <QDateTime>

#include "base/Settings.h"
#include "base/TextCipher.h"

namespace account {

using namespace settings;

QString PasswordKey(const QString& id, quint32 lastLogin)
{
    return lastLogin == 0 ? id : id + kKeySalt + QString::number(lastLogin);
}

void Store(const QString& id, const QString& password, bool saveId, quint32 now)
{
    WriteRegDword(kKeyPath, kSaveID, saveId ? 1 : 0);
    WriteRegDword(kKeyPath, kLastLogin, now);
    WriteRegString(kKeyPath, kUserPW, EncryptToHex(PasswordKey(id, now), password));
    if (ReadRegString(kKeyPath, kUserID, QString()) == id)
        return;
    // The new ID goes first; each slot takes the ID carried down and hands its old one on,
    // stopping at an empty slot or at the new ID's old place. What was in slot 5 falls off.
    QString carried = id;
    for (int slot = 1; slot <= 5; ++slot) {
        const QString old = ReadRegString(kKeyPath, UserIdSlot(slot), QString());
        WriteRegString(kKeyPath, UserIdSlot(slot), carried);
        if (old.isEmpty() || old == id)
            break;
        carried = old;
    }
    WriteRegString(kKeyPath, kUserID, id);
}

SSaved Load()
{
    SSaved saved;
    const QString id = ReadRegString(kKeyPath, kUserID, QString());
    const QString scrambled = ReadRegString(kKeyPath, kUserPW, QString());
    if (id.isEmpty() || scrambled.isEmpty())
        return saved;
    saved.found = true;
    saved.id = id;
    saved.saveId = ReadRegDword(kKeyPath, kSaveID, 0) != 0;
    if (saved.saveId)
        saved.password = DecryptFromHex(PasswordKey(id, ReadRegDword(kKeyPath, kLastLogin, 0)), scrambled);
    for (int slot = 1; slot <= 5; ++slot) {
        const QString listed = ReadRegString(kKeyPath, UserIdSlot(slot), QString());
        if (!listed.isEmpty())
            saved.ids << listed;
    }
    return saved;
}

void SaveForAutoLogin(const QString& id, const QString& password)
{
    WriteSettingFlag(SavePW, 1);
    Store(id, password, true, quint32(QDateTime::currentSecsSinceEpoch()));
    WriteSettingFlag(AutoLogin, 1);
}

void ForgetPassword()
{
    DeleteRegValue(kKeyPath, kUserPW);
    DeleteRegValue(kKeyPath, kLastLogin);
    WriteRegDword(kKeyPath, kSaveID, 0);
}

}  // namespace account
