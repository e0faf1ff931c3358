#include "content/ImageTableFile.h"

#include <csignal>

#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarifon;

namespace {

QString s(const char* utf8) {
    return QString::fromUtf8(utf8);
}

ImageTable tableFrom(const QByteArray& file, ImageTable table = {}) {
    readImageTable(file, table);
    return table;
}

// The data rows as "cell,cell,cell" lines.
QString dump(const ImageTable& table) {
    QStringList rows;
    for (int r = 1; r < table.rowCount(); ++r)
        rows << table.cell(r, 0) + u',' + table.cell(r, 1) + u',' + table.cell(r, 2);
    return rows.join(u'\n');
}

}  // namespace

TEST(ImageTableFile, WritesOneCrLfLinePerRowThatHasText) {
    ImageTable table = tableFrom("a.jpg|1|5|\n|||\nb.bmp|\nPromo\xE7\xE3o.jpg|||\n");
    EXPECT_EQ(imageTableBytes(table), "a.jpg|1|5|\r\nb.bmp|||\r\nPromo\xE7\xE3o.jpg|||\r\n");
    // No escaping: a "|" in a cell splits it when the file is read again.
    table.setCell(1, 0, s("a|b"));
    EXPECT_EQ(dump(tableFrom(imageTableBytes(table))), s("a,b,1\nb.bmp,,\nPromoção.jpg,,"));
}

TEST(ImageTableFile, ReadsLinesLenientlyOverWhatTheTableHeld) {
    const ImageTable old = tableFrom("old|old|old|\nold|old|old|\n");
    for (const auto& [file, rows] : {
             std::pair{"a.jpg|1|5", "a.jpg,1,old"},
             {"x|y|z|w|\r\n", "x,y,z"},
             {"\r\nb|2|3|\n", "old,old,old\nb,2,3"},
             {"", ""},
             {"a|b\r|c|\x1A"
              "d|e|f|\n",
              "a,b,c"},
             {"1|||\n2|||\n3|||\n", "1,,\n2,,\n3,,"},
         })
        EXPECT_EQ(dump(tableFrom(file, old)), s(rows)) << file;
}

TEST(ImageTableFile, AFailedSaveKeepsTheOldFileAndSaysWhy) {
    QTemporaryDir dir;
    const QString path = dir.filePath(s("images.txt"));
    const ImageTable table = tableFrom("a.jpg|1|5|\n");
    ASSERT_TRUE(saveImageTable(path, table));

    // A disk that fills up half-way, as far as the writer can tell (root ignores modes).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    const rlimit small{4, before.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto error = saveImageTable(path, tableFrom("b.jpg|2|6|\n"));
    ::setrlimit(RLIMIT_FSIZE, &before);

    ASSERT_FALSE(error);
    EXPECT_TRUE(error.error().endsWith(s(": File too large"))) << error.error().toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), imageTableBytes(table));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{s("images.txt")});

    EXPECT_EQ(saveImageTable(dir.path(), table).error(),
              dir.path() + s(" is a folder, not a file"));
}
