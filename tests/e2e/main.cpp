#include <gtest/gtest.h>

#include <QCoreApplication>

// QProcess wants an application object, though the tests run no event loop.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
