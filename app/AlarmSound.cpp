#include "app/AlarmSound.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#ifdef TAMO_HAVE_MULTIMEDIA
#include <QSoundEffect>
#endif

namespace alarmsound {

QString Folder()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("alarm"));
}

QString PathOf(const QString& setting)
{
    if (setting.isEmpty())
        return {};
    return QFileInfo(setting).isAbsolute() ? setting : QDir(Folder()).filePath(setting);
}

bool Play(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
#ifdef TAMO_HAVE_MULTIMEDIA
    // One player for the program: alarms that show together ring once.
    static QSoundEffect* s_pEffect = nullptr;
    if (!s_pEffect)
        s_pEffect = new QSoundEffect(QCoreApplication::instance());
    const QUrl url = QUrl::fromLocalFile(path);
    if (s_pEffect->source() != url)
        s_pEffect->setSource(url);
    s_pEffect->play();
    return true;
#else
    return false;
#endif
}

}  // namespace alarmsound
