// GUI test binaries: one QApplication for all cases (offscreen platform, set by ctest).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    // Test discovery runs the binary outside ctest's environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
