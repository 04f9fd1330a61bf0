#pragma once

#include <QString>
#include <QStringList>

// The remembered account under the settings key: the last ID, the password scrambled with a key
// made of the ID, a fixed salt text and the time of the last sign-in, and the five most recent
// IDs, newest first.
namespace account {

// The salt text between the ID and the sign-in time in the password's key.
inline const QString kKeySalt = QStringLiteral("5A7C19E2-0D3B-4f61-A2E8-7B40C93D15F6");

// The key text of the stored password; a stored time of 0 (or none) means the ID alone.
QString PasswordKey(const QString& id, quint32 lastLogin);

// Remembers the account after a successful sign-in with "remember" ticked: SaveID, LastLogin
// (now, seconds since 1970), the scrambled password; a new ID goes to the head of the list.
void Store(const QString& id, const QString& password, bool saveId, quint32 now);

struct SSaved {
    bool found = false;  // an ID and a password are stored
    QString id;
    QString password;    // empty unless SaveID is set
    bool saveId = false;
    QStringList ids;     // the list, slot 1 first, empty slots left out
};
SSaved Load();

// Remembers the account with both boxes ticked, as the login panel does after a sign-in, so
// that the next start signs in by itself.
void SaveForAutoLogin(const QString& id, const QString& password);

// Forgets the password: UserPW and LastLogin go, SaveID becomes 0. The ID and the list stay.
void ForgetPassword();

}  // namespace account
