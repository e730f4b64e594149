// Test entry point: a Qt application object exists for every test program, so tests can run the
// real event loop (QT_QPA_PLATFORM=offscreen is set by ctest for widget tests).
#include <gtest/gtest.h>

#include <QTemporaryDir>

#ifdef VIDMORPH_WITH_GUI
#include <QApplication>
using TestApp = QApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef VIDMORPH_WITH_GUI
    // Test discovery at build time runs without ctest's environment and without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    // Nothing a test starts keeps its state (the window's journal) in the real home.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    TestApp app(argc, argv);
    return RUN_ALL_TESTS();
}
