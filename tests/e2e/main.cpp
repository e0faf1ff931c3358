#include <gtest/gtest.h>

#include <QApplication>

// QProcess wants an application object; the display content and configuration tests
// also run the window.
int main(int argc, char** argv) {
    // CTest sets the offscreen platform; this keeps discovery and direct runs from
    // needing a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
