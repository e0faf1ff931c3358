// The display content end to end: the real window and controller (here, since a separate
// program's buttons cannot be pressed) on the real library, termsim terminals on loopback.
#include <chrono>
#include <memory>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "ListeningServer.h"
#include "ProgramFolder.h"
#include "main/TermlinkLibrary.h"
#include "support/Controls.h"
#include "support/ScriptedDialogs.h"
#include "support/TermsimProcess.h"
#include "support/Utf8.h"
#include "ui/TForm1.h"

using namespace std::chrono_literals;

namespace {

// pictures.log without the file names: the six numbers, the byte count and the kind.
QStringList picturesReceived(const QString& folder) {
    QFile log(folder + s("/pictures.log"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression fileName(s("^\\S+ "), QRegularExpression::MultilineOption);
    return QString::fromUtf8(log.readAll()).remove(fileName).split(u'\n', Qt::SkipEmptyParts);
}

bool waitForLine(TermsimProcess& termsim, const std::string& line) {
    return QTest::qWaitFor([&] { return termsim.waitForLine(line, 0ms) == line; }, 10000);
}

}  // namespace

TEST(DisplayContentE2e, PicturesOnRequestTheMessageToAllTheInstantImageToTheSelected) {
    ProgramFolder folder;
    const auto file = [&folder](const char* name) { return folder.filePath(s(name)); };
    ASSERT_TRUE(folder.isValid() && QDir(folder.path()).mkdir(s("images")));
    ASSERT_TRUE(QFile::copy(s(TARIFON_SOURCE_DIR "/data/upd.bmp"), file("upd.bmp")));
    QImage picture(100, 50, QImage::Format_RGB32);
    picture.fill(Qt::black);
    ASSERT_TRUE(picture.save(file("images/a.bmp")) && picture.save(file("images/b.jpg")));
    QFile table(file("images.txt"));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write("a.bmp|2|5|\r\nmissing.bmp|1|1|\r\nB.JPG|0|3|\r\n");  // named as on Windows
    table.close();
    folder.writeSettings(s("[CAMINHO]\nbd=/nowhere/pdv.fdb\n[MESSAGE]\nline1=Oferta\n"));

    qputenv("TERMLINK_INI", file("termlink.ini").toLocal8Bit());
    tarifon::TermlinkLibrary library;
    TForm1 form(library, folder.path());
    form.setDialogs(std::make_unique<ScriptedDialogs>());
    const QString server = listeningServer([&form] { form.FormCreate(); });
    ASSERT_FALSE(server.isEmpty());

    // A model-2 terminal asks for its pictures (392) as it connects.
    QTemporaryDir pictures;
    const QString asking = pictures.filePath(s("asking"));
    const QString shown = pictures.filePath(s("second"));
    TermsimProcess first(
        {s("--server"), server, s("--pictures"), asking, s("--duration"), s("60")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return picturesReceived(asking).size() >= 5; }, 15000));
    EXPECT_EQ(
        picturesReceived(asking),
        (QStringList{s("128 64 0 0 254 1 1086 upload-begin"), s("0 0 255 0 0 0 0 upload-clear"),
                     s("128 64 1 2 5 1 %1 upload-picture").arg(QFile(file("images/a.bmp")).size()),
                     s("128 64 3 0 3 1 %1 upload-picture").arg(QFile(file("images/b.jpg")).size()),
                     s("128 64 0 0 0 1 1086 upload-end")}));
    const auto* log = control<QPlainTextEdit>(form, "MemoRecv");
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return log->toPlainText().contains(s(": row 2 skipped, no file \"images/missing.bmp\""));
    }));

    TermsimProcess second({s("--server"), server, s("--model"), s("1"), s("--pictures"), shown,
                           s("--duration"), s("60")});
    auto* terminals = control<QListWidget>(form, "ListBConec");
    ASSERT_TRUE(QTest::qWaitFor([&] { return terminals->count() == 2; }, 10000));
    control<QToolButton>(form, "BtnMsgSend")->click();
    const std::string display = "display: Oferta | Não Perca! (time 4)";
    EXPECT_TRUE(waitForLine(first, display) && waitForLine(second, display));

    terminals->setCurrentRow(1);  // the second terminal to connect is listed second
    control<QPushButton>(form, "BtnTr1")->click();
    control<QPushButton>(form, "BtnIImg")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !picturesReceived(shown).isEmpty(); }, 10000));
    EXPECT_EQ(picturesReceived(shown) + picturesReceived(asking).mid(5),
              QStringList{s("128 64 0 0 4 1 1086 instant")});  // the other got nothing
}
