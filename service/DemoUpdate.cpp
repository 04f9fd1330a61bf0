#include "service/DemoUpdate.h"

#include <QDir>
#include <QFile>

namespace tamo::service {

namespace {

constexpr const char kScript[] =
    "#!/bin/sh\n"
    "# The demo update of tamo-service: it installs nothing, it records that it ran.\n"
    "log=\"${TAMO_DEMO_UPDATE_LOG:-${XDG_DATA_HOME:-$HOME/.local/share}/Tamo/demo-update.log}\"\n"
    "mkdir -p \"$(dirname \"$log\")\"\n"
    "printf 'demo update ran: %s\\n' \"$0\" >> \"$log\"\n";

}  // namespace

bool WriteDemoInstaller(const std::string& folder, std::string& error)
{
    const QString dir = QString::fromStdString(folder);
    if (!QDir().mkpath(dir)) {
        error = "cannot create " + folder;
        return false;
    }
    QFile file(QDir(dir).filePath(QString::fromLatin1(kDemoInstallerName)));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(kScript) != qint64(sizeof kScript - 1) ||
        !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                             QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther)) {
        error = "cannot write the demo installer into " + folder;
        return false;
    }
    return true;
}

}  // namespace tamo::service
