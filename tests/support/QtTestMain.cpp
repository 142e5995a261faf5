#include <QApplication>
#include <gtest/gtest.h>

// Widget tests need one QApplication for the whole program. They run on the
// offscreen platform unless the environment chose another (xvfb, for a look).
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
