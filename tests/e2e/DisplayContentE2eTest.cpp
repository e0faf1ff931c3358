// The display content end to end, inside the test: the real window and controller on
// the real terminal library, with terminals played by termsim over loopback. The
// operator's buttons cannot be pressed in a separate program, so the window runs here.
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QToolButton>

#include "ProgramFolder.h"
#include "app/TermlinkLibrary.h"
#include "support/Controls.h"
#include "support/ScriptedDialogs.h"
#include "support/TermsimProcess.h"
#include "ui/TForm1.h"

using namespace std::chrono_literals;

namespace {

// pictures.log without the file names: the six numbers, the byte count and the kind.
QStringList picturesReceived(const QString& folder) {
    QFile log(folder + QStringLiteral("/pictures.log"));
    QStringList lines;
    if (log.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : log.readAll().split('\n')) {
            if (!line.isEmpty())
                lines.append(QString::fromUtf8(line.mid(line.indexOf(' ') + 1)));
        }
    }
    return lines;
}

// The server the library says it listens on ("termlink: listening on ..." on standard
// error) while `start` runs; empty when it said nothing of the kind.
QString listeningServer(const std::function<void()>& start) {
    QTemporaryFile said;
    if (!said.open())
        return {};
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(said.handle(), STDERR_FILENO);
    start();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    said.seek(0);
    static const QRegularExpression listening(
        QStringLiteral("termlink: listening on (127\\.0\\.0\\.1:\\d+)"));
    return listening.match(QString::fromUtf8(said.readAll())).captured(1);
}

bool waitForLine(TermsimProcess& termsim, const std::string& line) {
    return QTest::qWaitFor([&] { return termsim.waitForLine(line, 0ms) == line; }, 10000);
}

}  // namespace

TEST(DisplayContentE2e, PicturesOnRequestTheMessageToAllTheInstantImageToTheSelected) {
    ProgramFolder folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QFile::copy(QStringLiteral(TARIFON_SOURCE_DIR "/data/upd.bmp"),
                            folder.filePath(QStringLiteral("upd.bmp"))));
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("images")));
    QImage picture(100, 50, QImage::Format_RGB32);
    picture.fill(Qt::black);
    ASSERT_TRUE(picture.save(folder.filePath(QStringLiteral("images/a.bmp"))));
    ASSERT_TRUE(picture.save(folder.filePath(QStringLiteral("images/b.jpg"))));
    const qint64 aBytes = QFileInfo(folder.filePath(QStringLiteral("images/a.bmp"))).size();
    const qint64 bBytes = QFileInfo(folder.filePath(QStringLiteral("images/b.jpg"))).size();
    QFile table(folder.filePath(QStringLiteral("images.txt")));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write("a.bmp|2|5|\r\nmissing.bmp|1|1|\r\nb.jpg|0|3|\r\n");
    table.close();
    folder.writeSettings(
        QStringLiteral("[CAMINHO]\nbd=/nowhere/pdv.fdb\n[MESSAGE]\nline1=Oferta\n"));

    qputenv("TERMLINK_INI", folder.filePath(QStringLiteral("termlink.ini")).toLocal8Bit());
    tarifon::TermlinkLibrary library;
    TForm1 form(library, folder.path());
    form.setDialogs(std::make_unique<ScriptedDialogs>());
    const QString server = listeningServer([&form] { form.FormCreate(); });
    ASSERT_FALSE(server.isEmpty());

    // A model-2 terminal asks for its pictures (392) as it connects.
    QTemporaryDir pictures;
    const QString asking = pictures.filePath(QStringLiteral("asking"));
    TermsimProcess first({QStringLiteral("--server"), server, QStringLiteral("--pictures"), asking,
                          QStringLiteral("--duration"), QStringLiteral("60")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return picturesReceived(asking).size() >= 5; }, 15000));
    EXPECT_EQ(picturesReceived(asking),
              (QStringList{QStringLiteral("128 64 0 0 254 1 1086 upload-begin"),
                           QStringLiteral("0 0 255 0 0 0 1086 upload-clear"),
                           QStringLiteral("128 64 1 2 5 1 %1 upload-picture").arg(aBytes),
                           QStringLiteral("128 64 3 0 3 1 %1 upload-picture").arg(bBytes),
                           QStringLiteral("128 64 0 0 0 1 1086 upload-end")}));

    const QString shown = pictures.filePath(QStringLiteral("second"));
    TermsimProcess second({QStringLiteral("--server"), server, QStringLiteral("--model"),
                           QStringLiteral("1"), QStringLiteral("--pictures"), shown,
                           QStringLiteral("--duration"), QStringLiteral("60")});
    auto* terminals = control<QListWidget>(form, "ListBConec");
    ASSERT_TRUE(QTest::qWaitFor([&] { return terminals->count() == 2; }, 10000));

    control<QToolButton>(form, "BtnMsgSend")->click();
    const std::string display = "display: Oferta | Não Perca! (time 4)";
    EXPECT_TRUE(waitForLine(first, display));
    EXPECT_TRUE(waitForLine(second, display));

    // The second terminal to connect is listed second.
    terminals->setCurrentRow(1);
    control<QPushButton>(form, "BtnTr1")->click();
    control<QPushButton>(form, "BtnIImg")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !picturesReceived(shown).isEmpty(); }, 10000));
    EXPECT_EQ(picturesReceived(shown), QStringList{QStringLiteral("128 64 0 0 4 1 1086 instant")});
    EXPECT_EQ(picturesReceived(asking).size(), 5);
    form.close();
}
