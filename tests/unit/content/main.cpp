#include <gtest/gtest.h>

#include <QGuiApplication>

int main(int argc, char** argv) {
    // CTest sets the offscreen platform; this keeps a direct run from needing a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
