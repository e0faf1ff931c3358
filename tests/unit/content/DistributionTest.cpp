#include "content/ImageDistribution.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "content/ImageTableFile.h"
#include "content/LibraryPath.h"
#include "content/PictureDistributor.h"
#include "support/FakeTerminalLibrary.h"

using namespace tarifon;

using Outcome = PictureDistributor::Outcome;

TEST(ImageDistribution, SendsTheMarkersAndEachUsableRowByItsNumber) {
    QTemporaryDir dir;
    QDir images(dir.path());
    const QByteArray longName = QByteArray(130, 'd') + '/' + QByteArray(130, 'n');
    ASSERT_TRUE(images.mkpath(QStringLiteral("images/sub")) &&
                images.mkpath(QStringLiteral("images/") + QString(130, u'd')));
    images.cd(QStringLiteral("images"));
    for (const QByteArray& name : {QByteArray("a.jpg"), QByteArray("b.bmp"),
                                   QByteArray("promo.jpg"), QByteArray("Promo.jpg"), longName})
        ASSERT_TRUE(QFile(images.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly));
    ImageTable table;
    readImageTable("a.jpg|2|5|\nmissing.jpg|1|1|\nb.bmp|0|3|\na.jpg|x|1|\nb.bmp|1||\nsub|1|1|\n" +
                       longName + "|1|1|\nA.JPG|4|4|\nPROMO.JPG|1|1|\n\n",
                   table);
    FakeTerminalLibrary fake;
    fake.setModel(12, 2);
    const std::atomic<bool> stop{false};
    const QStringList skipped = distributePictures(fake, 12, table, dir.path(), stop);

    EXPECT_EQ(fake.callNames().front(), "iTypeTerm");
    QStringList calls;  // each picture call's numbers and file name
    for (const auto& call : fake.callsNamed("bSendImageFromFile")) {
        QString text;
        for (const int64_t number : call.ints)
            text += QString::number(number) + u' ';
        calls << text + QFileInfo(QString::fromStdString(call.texts.at(0))).fileName();
    }
    EXPECT_EQ(calls.join(u'\n'), QStringLiteral("12 128 64 0 0 254 1 upd.bmp\n"
                                                "12 0 0 255 0 0 0 upd.bmp\n"
                                                "12 128 64 1 2 5 1 a.jpg\n"
                                                "12 128 64 3 0 3 1 b.bmp\n"
                                                "12 128 64 8 4 4 1 a.jpg\n"
                                                "12 128 64 9 1 1 1 Promo.jpg\n"
                                                "12 128 64 0 0 0 1 upd.bmp"));
    const QString row = QStringLiteral("Images for socket 12: row %1 skipped, ");
    EXPECT_EQ(skipped, (QStringList{row.arg(2) + QStringLiteral("no file \"images/missing.jpg\""),
                                    row.arg(4) + QStringLiteral("Loop \"x\" is not a whole number"),
                                    row.arg(5) + QStringLiteral("Pause \"\" is not a whole number"),
                                    row.arg(6) + QStringLiteral("\"images/sub\" is not a file"),
                                    row.arg(7) + pathTooLongMessage(images.filePath(
                                                     QString::fromLatin1(longName)))}));

    FakeTerminalLibrary model1;
    model1.setModel(12, 1);
    distributePictures(model1, 12, table, dir.path(), stop);
    EXPECT_EQ(model1.callNames(), std::vector<std::string>{"iTypeTerm"});
}

TEST(PictureDistributor, CapsTheWorkersQueuesOnePlacePerTerminalAndStops) {
    std::atomic<bool> released{false};
    std::mutex mutex;
    QStringList served;
    PictureDistributor distributor(
        [&](int32_t socket, const ImageTable& table, const std::atomic<bool>& stop) {
            while (!released && !stop)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::lock_guard lock(mutex);
            served << QString::number(socket) + u' ' + table.cell(1, 0);
            return QStringList{served.back()};
        },
        2);
    const auto request = [&](int32_t socket, const char* name = "") {
        ImageTable table;
        table.setCell(1, 0, QString::fromLatin1(name));
        return distributor.requestFromOperator(socket, table).outcome;
    };
    // From the poller, each handed to a worker before the poller goes on.
    for (const int32_t socket : {12, 5000})
        EXPECT_EQ(distributor.requestFromTerminal(socket, {}).outcome, Outcome::Started);
    EXPECT_EQ(distributor.requestFromOperator(3, {}).logLine,
              QStringLiteral("Images for socket 3 wait: 2 distributions running"));
    EXPECT_EQ(request(3, "new"), Outcome::AlreadyQueued);
    EXPECT_EQ(request(4, "four"), Outcome::Queued);
    EXPECT_EQ(distributor.running() * 10 + distributor.waiting(), 22);
    released = true;
    for (int i = 0; i < 10000 && distributor.running() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(distributor.running(), 0);
    served.sort();
    EXPECT_EQ(served.join(u','), QStringLiteral("12 ,3 new,4 four,5000 "));
    QStringList logged = distributor.takeLogLines() + distributor.takeLogLines();
    logged.sort();
    EXPECT_EQ(logged, served) << "each worker's lines, once";

    // Stopping ends the running distributions and drops the waiting ones.
    released = false;
    served.clear();
    request(5);
    request(6);
    EXPECT_EQ(request(7), Outcome::Queued);
    distributor.stop();
    served.sort();
    EXPECT_EQ(served.join(u','), QStringLiteral("5 ,6 "));
    EXPECT_EQ(request(8), Outcome::Dropped);
}
