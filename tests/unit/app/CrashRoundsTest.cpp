// The program's files are saved by writing a temporary file and renaming it over the
// old one.  These rounds kill a process with SIGKILL while it saves them in a loop and
// check that every file is then whole: the old content or the new, never torn or gone.

#include <chrono>
#include <iostream>
#include <random>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/SettingsFile.h"
#include "content/ImageTableFile.h"
#include "report/NotFoundCsv.h"
#include "report/NotFoundReport.h"

using namespace tarifon;

namespace {

constexpr int kRounds = 100;
constexpr int kImageRows = 200;

// Any entry missing or cut short reads as something other than a positive number.
Settings settingsOf(int generation) {
    const QString g = QString::number(generation);
    return {g, g, g, QStringLiteral("5"), g, true};
}

ImageTable tableOf(int generation) {
    ImageTable table;
    table.setRowCount(kImageRows + 1);
    for (int row = 1; row <= kImageRows; ++row)
        table.setCell(row, 0, QStringLiteral("pic%1-%2.bmp").arg(generation).arg(row));
    return table;
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Saves all three files, generation after generation, until killed.
[[noreturn]] void saveForever(const QTemporaryDir& dir, int generation) {
    NotFoundReport report(dir.filePath(QStringLiteral("notfound.csv")).toStdString());
    // One file per turn, so that the kills fall as often in each of them.
    for (;; ++generation) {
        if (generation % 3 == 0)
            (void)saveSettings(dir.filePath(QStringLiteral("de501.ini")), settingsOf(generation));
        else if (generation % 3 == 1)
            (void)saveImageTable(dir.filePath(QStringLiteral("images.txt")), tableOf(generation));
        else {
            report.record("789", "10.0.0.1", std::chrono::system_clock::now());
            report.save();
        }
    }
}

}  // namespace

TEST(CrashRounds, KilledWhileSavingLeavesEveryFileWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("de501.ini"));
    const QString images = dir.filePath(QStringLiteral("images.txt"));
    ASSERT_TRUE(saveSettings(ini, settingsOf(1)).isEmpty());
    ASSERT_TRUE(saveImageTable(images, tableOf(1)));

    std::mt19937 random(std::random_device{}());
    uint64_t lastCount = 0;
    for (int round = 1; round <= kRounds; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            saveForever(dir, round * 999);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30'000));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;

        // Entries are saved one by one, each atomically: each is whole, though they may
        // come from two generations.
        const Settings s = loadSettings(ini);
        for (const QString& entry : {s.currency, s.line1, s.line2, s.bd})
            EXPECT_GT(entry.toInt(), 0) << "round " << round;
        const QByteArray table = bytesOf(images);
        const int tableGeneration = table.mid(3, table.indexOf('-') - 3).toInt();
        ASSERT_EQ(table, imageTableBytes(tableOf(tableGeneration))) << round;

        const QByteArray csv = bytesOf(dir.filePath(QStringLiteral("notfound.csv")));
        NotFoundTable report;
        ASSERT_TRUE(readNotFoundCsv(csv.toStdString(), report)) << csv.toStdString();
        const uint64_t count = report.empty() ? 0 : report.entries().front().count;
        EXPECT_GE(count, lastCount) << "round " << round << ": counts were lost";
        lastCount = count;
    }
    std::cout << "crash rounds: " << kRounds << " kills while saving, last report count "
              << lastCount << "\n";
}
