// TamoSync: the desktop calendar.
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>

#include "app/Account.h"
#include "app/StartupTrace.h"
#include "app/TamoSyncApp.h"
#include "base/ui/FontSetup.h"

int main(int argc, char** argv)
{
    startup::Mark("main");
    // Chromium's sandbox cannot run for the superuser; a GPU is not needed for a calendar page.
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS") && geteuid() == 0)
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TamoSync"));
    QApplication::setQuitOnLastWindowClosed(false);
    tamo::InstallFontSubstitutes();
    startup::Mark("application-made");

    QCommandLineParser parser;
    parser.addOption({QStringLiteral("demo-shots"),
                      QStringLiteral("Sign in with the saved account, write a picture of each layout into the folder, end."),
                      QStringLiteral("folder")});
    parser.addOption({QStringLiteral("save-account"),
                      QStringLiteral("Remember this ID with the password of TAMO_PASSWORD and sign in with it automatically."),
                      QStringLiteral("id")});
    parser.addHelpOption();
    parser.process(app);

    if (parser.isSet(QStringLiteral("save-account"))) {
        const QString password = qEnvironmentVariable("TAMO_PASSWORD");
        if (password.isEmpty()) {
            qCritical("TamoSync: --save-account needs the password in TAMO_PASSWORD");
            return 2;
        }
        account::SaveForAutoLogin(parser.value(QStringLiteral("save-account")).toLower(), password);
    }

    CTamoSyncApp program({parser.value(QStringLiteral("demo-shots"))});
    program.InitInstance();
    return program.ExitInstance();
}
