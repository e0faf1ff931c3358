#include "platform/AutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/Utf8.h"

using namespace tarifon;

TEST(AutostartEntry, ExecQuotesAndEscapesWhatDesktopEntriesReserve) {
    // executable -> the Exec line's value as it stands in the file
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"/opt/tarifon/tarifon", "/opt/tarifon/tarifon"},
        {"/opt/Programação/tarifon", "/opt/Programação/tarifon"},
        {"/opt/my shop/tarifon", "\"/opt/my shop/tarifon\""},
        {"/opt/a&b;c(1)/tarifon", "\"/opt/a&b;c(1)/tarifon\""},
        // Inside quotes " ` $ \ take a backslash; then every backslash of the value doubles.
        {"/opt/$x`y\"z/t", "\"/opt/\\\\$x\\\\`y\\\\\"z/t\""},
        {"/opt/a\\b/t", "\"/opt/a\\\\\\\\b/t\""},
        {"/opt/100%/t", "/opt/100%%/t"},
        {"/opt/tab\there/t", "\"/opt/tab\\there/t\""},
    };
    for (const auto& [executable, exec] : cases) {
        EXPECT_EQ(AutostartEntry::execValue(s(executable)), s(exec)) << executable;
    }
}

TEST(AutostartEntry, InstallWritesReplacesAndRemoves) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const AutostartEntry entry(dir.path());
    EXPECT_EQ(entry.path(), dir.filePath(s("Tarifon.desktop")));
    EXPECT_TRUE(entry.remove());  // nothing there: nothing to do

    ASSERT_TRUE(entry.install(s("/opt/old place/tarifon")));
    ASSERT_TRUE(entry.install(s("/opt/tarifon/tarifon")));
    QFile file(entry.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\nType=Application\nName=Tarifon\n"));
    EXPECT_TRUE(text.contains("\nExec=/opt/tarifon/tarifon\n"));
    EXPECT_FALSE(text.contains("old place"));
    EXPECT_EQ(file.permissions() & (QFile::ReadOther | QFile::WriteOther), QFile::ReadOther);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    EXPECT_TRUE(entry.remove());
    EXPECT_FALSE(entry.exists());

    // A folder that is not there (no desktop installed) is not made up.
    const AutostartEntry nowhere(dir.filePath(s("missing")));
    EXPECT_FALSE(nowhere.install(s("/opt/tarifon/tarifon")));
    EXPECT_FALSE(QDir(dir.filePath(s("missing"))).exists());
}
