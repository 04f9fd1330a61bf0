// TamoSup: brings the desktop calendar up to date. TamoSync starts it with its own version as
// the last argument.
#include <QApplication>
#include <QDir>

#include "updater/MainDlg.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TamoSup"));
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    CMainDlg dlg(QDir(QApplication::applicationDirPath()).filePath(QStringLiteral("updater.xml")), arguments,
                 QApplication::activeWindow());
    return dlg.DoModal();
}
