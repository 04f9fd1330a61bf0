// The main of every test program: one application object, one isolated environment.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QtGlobal>
#ifdef TAMO_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include "TestEnvironment.h"

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef TAMO_TEST_GUI
    // Chromium (the web view tests) runs as root here, without a GPU, and shares GL contexts.
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#endif
    tamo::test::IsolatedEnvironment environment;
    TestApplication app(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
