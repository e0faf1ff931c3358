#include "platform/AtomicFile.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarifon;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                               QDir::NoDotAndDotDot);
}

}  // namespace

TEST(AtomicFile, ReplacesContentKeepsModeAndLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("a.txt"));

    ASSERT_TRUE(writeFileAtomically(path, "first"));
    EXPECT_EQ(contents(path), "first");
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));

    ASSERT_TRUE(writeFileAtomically(path, "second, longer"));
    EXPECT_EQ(contents(path), "second, longer");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("a.txt")});
}

TEST(AtomicFile, WritesThroughASymbolicLink) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("real.ini"));
    const QString link = dir.filePath(QStringLiteral("link.ini"));
    ASSERT_TRUE(writeFileAtomically(target, "old"));
    ASSERT_TRUE(QFile::link(target, link));

    ASSERT_TRUE(writeFileAtomically(link, "new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contents(target), "new");
}

TEST(AtomicFile, FailsCleanlyWhereItCannotWrite) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_FALSE(writeFileAtomically(dir.filePath(QStringLiteral("missing/a.txt")), "x"));

    // A folder in the file's place is neither replaced nor littered.
    const QString folder = dir.filePath(QStringLiteral("sub"));
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(writeFileAtomically(folder, "x"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("sub")});
}
