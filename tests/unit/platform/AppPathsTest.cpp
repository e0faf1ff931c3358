#include "platform/AppPaths.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace tarifon;

namespace {

// The test binary's own folder, found without Qt.
QString ownFolder() {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return QFileInfo(QString::fromLocal8Bit(buffer, n)).absolutePath();
}

}  // namespace

TEST(AppPaths, FindsTheExecutablesFolderWithAndWithoutAnApplication) {
    const QString expected = ownFolder();
    ASSERT_FALSE(expected.isEmpty());
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_EQ(executableDir(), expected);
    EXPECT_EQ(besideExecutable(QStringLiteral("de501.ini")),
              expected + QStringLiteral("/de501.ini"));

    static int argc = 1;
    static char name[] = "platform_tests";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    EXPECT_EQ(executableDir(), expected);
    EXPECT_EQ(besideExecutable(QStringLiteral("images/a.bmp")),
              expected + QStringLiteral("/images/a.bmp"));
}
