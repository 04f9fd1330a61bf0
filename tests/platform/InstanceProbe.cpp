// A program that takes part in the single-instance check the way TamoSync does, and reports
// what happens to it on standard output, so that tests can watch real processes.
#include <cstdio>

#include <QCoreApplication>

#include "platform/SingleInstance.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    auto say = [](const char* what) {
        std::printf("%s\n", what);
        std::fflush(stdout);
    };
    platform::CSingleInstance instance(QStringLiteral("TamoCalendarProbe"));
    if (!instance.CheckSingleInstance()) {
        say("second");
        return 3;
    }
    QObject::connect(&instance, &platform::CSingleInstance::activateRequested, [&] { say("activate"); });
    QObject::connect(&instance, &platform::CSingleInstance::terminateRequested, [&] {
        say("terminate");
        app.quit();
    });
    say("first");
    return app.exec();
}
