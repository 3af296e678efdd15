// main() of every test executable, on the offscreen platform so fonts, pictures and sockets
// work without a display. Built three times: a QCoreApplication for tests that need no
// pictures or fonts, a QGuiApplication for the other core tests, a QApplication for windows.
#if defined(LUMIVISTA_TEST_APP_WIDGETS)
#include <QApplication>
using TestApplication = QApplication;
#elif defined(LUMIVISTA_TEST_APP_GUI)
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
