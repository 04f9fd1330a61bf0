// tamo-gallery: writes every picture of the gallery as a PNG file into one folder.
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QTextStream>

#include "Gallery.h"
#include "base/ui/FontSetup.h"

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The web view: Chromium without a GPU (and without its sandbox when run as root).
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    tamo::InstallFontSubstitutes();
    // Keep the pointer off every window so that only the pictures that ask for it are hot.
    QCursor::setPos(-1000, -1000);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gallery");
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!QDir().mkpath(folder)) {
        err << "tamo-gallery: cannot create " << folder << "\n";
        return 1;
    }
    int written = 0, failed = 0;
    for (const auto& [group, fn] : CGallery::Groups()) {
        CGallery gallery;
        fn(gallery);
        for (const auto& [name, image] : gallery.Shots()) {
            const QString path = QDir(folder).filePath(group.toLower() + QLatin1Char('_') + name + QStringLiteral(".png"));
            if (!image.isNull() && image.save(path, "PNG")) {
                ++written;
                out << path << "\n";
            } else {
                ++failed;
                err << "tamo-gallery: cannot write " << path << "\n";
            }
        }
    }
    out << written << " pictures\n";
    return failed == 0 && written > 0 ? 0 : 1;
}
