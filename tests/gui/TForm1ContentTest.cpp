// The display content in the window: the quick message, the image table and its
// preview, the instant image and the picture distribution, against the scripted library.
#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "app/Controller.h"
#include "content/BmpFile.h"
#include "content/TerminalPicture.h"
#include "support/Controls.h"
#include "support/FakeTerminalLibrary.h"
#include "support/ScriptedDialogs.h"
#include "support/Utf8.h"
#include "ui/TForm1.h"

using namespace tarifon;

namespace {

class ContentWindow : public ::testing::Test {
protected:
    void SetUp() override {
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        form.setDialogs(std::move(scripted));
        write("de501.ini", "[CAMINHO]\nbd=/srv/pdv.fdb\n[MESSAGE]\nline1=Oferta\n");
        QDir(dir.path()).mkdir(s("images"));
        QImage black(128, 64, QImage::Format_RGB32);
        black.fill(Qt::black);
        ASSERT_TRUE(black.save(path("images/black.bmp")));
    }
    QString path(const char* name) const { return dir.filePath(s(name)); }
    void write(const char* name, const QByteArray& bytes) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QByteArray read(const char* name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QRgb pixel(const char* label, int x, int y) const {
        return control<QLabel>(form, label)->pixmap().toImage().pixel(x, y);
    }
    QString cell(int row, int column) const { return grid()->item(row, column)->text(); }
    QTableWidget* grid() const { return control<QTableWidget>(form, "StringGrid3"); }
    void connectTerminals(std::vector<int> slotNumbers) {
        for (const int slot : slotNumbers)
            library.setSlot(slot, 300 + slot, 0x0A0200C0);
        library.setCount(static_cast<int32_t>(slotNumbers.size()));
        form.Timer1Timer();
    }

    QTemporaryDir dir;
    FakeTerminalLibrary library;
    TForm1 form{library, dir.path()};
    ScriptedDialogs* dialogs = nullptr;
};

TEST_F(ContentWindow, QuickMessageGoesToEveryListedTerminalOrShowsTheBadTime) {
    form.FormCreate();
    connectTerminals({0, 5, 9});
    control<QLineEdit>(form, "EdtTimeEx")->setText(s("70000"));
    control<QToolButton>(form, "BtnMsgSend")->click();
    const auto calls = library.callsNamed("bSendDisplayMsg");
    ASSERT_EQ(calls.size(), 3u);  // slot order, the time's low 16 bits
    EXPECT_EQ(calls[1].ints[0], 305);
    EXPECT_EQ(calls[2].ints, (std::vector<int64_t>{309, 4464, 1}));
    EXPECT_EQ(calls[2].texts, (std::vector<std::string>{"Oferta", "N\xE3o Perca!"}));

    control<QLineEdit>(form, "EdtTimeEx")->setText(s("abc"));
    control<QToolButton>(form, "BtnMsgSend")->click();
    EXPECT_EQ(library.callsNamed("bSendDisplayMsg").size(), 3u);
    ASSERT_EQ(dialogs->messages().size(), 1u);
    EXPECT_EQ(dialogs->messages()[0].text, s("''abc'' is not a valid integer value."));
}

TEST_F(ContentWindow, TableLoadsAtStartAndTheButtonsReloadAndSaveByTheirNames) {
    write("images.txt", "black.bmp|1|5|\r\nmissing.jpg|2|3|\r\n");
    form.FormCreate();
    EXPECT_EQ(grid()->columnWidth(0), 140);
    EXPECT_EQ(cell(2, 0), s("missing.jpg"));
    EXPECT_EQ(pixel("Image1", 0, 0), qRgb(0, 0, 0));  // row 1's picture

    grid()->setCurrentCell(2, 2);  // typed in place, the editor still open
    grid()->editItem(grid()->item(2, 2));
    grid()->findChild<QLineEdit*>()->setText(s("Promoção"));
    control<QToolButton>(form, "BtnImgSave")->click();
    EXPECT_EQ(read("images.txt"),
              QByteArray("black.bmp|1|5|\r\nmissing.jpg|2|Promo\xE7\xE3o|\r\n"));

    write("images.txt", "missing.jpg|\r\n");
    form.BtnImgSaveClick(control<QObject>(form, "Button6"));   // not a table button: nothing
    form.BtnImgRelClick(control<QObject>(form, "BtnImgAdd"));  // names no file: nothing
    EXPECT_EQ(read("images.txt") + cell(2, 0).toLatin1(),
              QByteArray("missing.jpg|\r\nmissing.jpg"));
    control<QToolButton>(form, "BtnImgRel")->click();
    EXPECT_EQ(grid()->rowCount(), 2);
    EXPECT_EQ(cell(1, 1), s("1"));  // the file gives no Loop: the cell keeps its text
    EXPECT_EQ(pixel("Image1", 0, 0), qRgb(255, 255, 255));  // missing picture: white
}

TEST_F(ContentWindow, PreviewFollowsTheRowAndDoubleClicksChooseTheRowsPicture) {
    write("images.txt", "missing.jpg|1|1|\r\nblack.bmp|1|1|\r\n");
    form.FormCreate();
    grid()->setCurrentCell(2, 1);
    EXPECT_EQ(pixel("Image1", 0, 0), qRgb(0, 0, 0));
    grid()->setCurrentCell(1, 1);
    EXPECT_EQ(pixel("Image1", 0, 0), qRgb(255, 255, 255));
    control<QLabel>(form, "Image1")->setPixmap(QPixmap());
    grid()->setCurrentCell(1, 2);  // same row: the preview is left alone
    EXPECT_TRUE(control<QLabel>(form, "Image1")->pixmap().isNull());

    // A Loop cell of the grid is edited, not chosen; the preview always chooses.
    dialogs->chooseNextFile(path("images/black.bmp"));
    form.StringGrid3DblClick(grid());
    EXPECT_TRUE(dialogs->openDialogs().empty());
    QTest::mouseDClick(control<QLabel>(form, "Image1"), Qt::LeftButton);
    ASSERT_EQ(dialogs->openDialogs().size(), 1u);
    EXPECT_EQ(dialogs->openDialogs()[0].directory, path("images"));
    EXPECT_EQ(dialogs->openDialogs()[0].filter, s("Imagem (*.JPG)|*.JPG|Imagem (*.BMP)|*.BMP"));
    EXPECT_EQ(cell(1, 0), s("black.bmp"));
    EXPECT_EQ(pixel("Image1", 0, 0), qRgb(0, 0, 0));
    control<QToolButton>(form, "BtnImgSave")->click();
    EXPECT_TRUE(read("images.txt").startsWith("black.bmp|1|1|"));
}

TEST_F(ContentWindow, InstantImageIsComposedSentToTheSelectionAndKeptAtShutdown) {
    write("temp.bmp", "BM broken");
    form.FormCreate();
    ASSERT_EQ(dialogs->messages().size(), 1u);  // start-up goes on after the box
    EXPECT_EQ(dialogs->messages()[0].text, s("Bitmap image is not valid."));

    control<QPushButton>(form, "BtnIImg")->click();  // no terminal yet
    EXPECT_EQ(dialogs->messages().back().text, s("Escolha um terminal"));
    EXPECT_EQ(read("temp.bmp"), QByteArray("BM broken"));

    control<QPushButton>(form, "BtnIImgClear")->click();
    control<QPushButton>(form, "BtnTr1")->click();  // "Oferta" on y = 16, nothing lower
    const QImage white = whitePicture().convertToFormat(QImage::Format_RGB32).copy(0, 32, 128, 32);
    const QImage drawn =
        control<QLabel>(form, "IImg")->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_NE(drawn.copy(0, 0, 128, 32), white);
    EXPECT_EQ(drawn.copy(0, 32, 128, 32), white);

    connectTerminals({0});
    control<QPushButton>(form, "BtnIImg")->click();
    const auto sent = library.callsNamed("bSendImageFromFile");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].ints, (std::vector<int64_t>{300, 128, 64, 0, 0, 4, 1}));
    EXPECT_EQ(QString::fromStdString(sent[0].texts[0]), path("temp.bmp"));

    control<QPushButton>(form, "BtnIImgClear")->click();
    form.close();
    const QByteArray kept = read("temp.bmp");
    EXPECT_EQ(kept, bmpBytes(whitePicture()));
}

TEST_F(ContentWindow, PicturesGoOnRequestAndOnEnviarAndShutdownStopsTheWorkers) {
    write("images.txt", QByteArray("black.bmp|1|5|\r\n").repeated(20000));
    form.FormCreate();
    control<QToolButton>(form, "Button6")->click();  // no terminal
    EXPECT_EQ(dialogs->messages().back().text, s("Escolha um terminal"));
    EXPECT_TRUE(library.callsNamed("iTypeTerm").empty());

    library.setModel(12, 2);
    library.setModel(300, 2);
    connectTerminals({0});
    control<QToolButton>(form, "Button6")->click();
    library.queueResponse(12, 392);
    form.Timer2Timer();
    EXPECT_TRUE(control<QPlainTextEdit>(form, "MemoRecv")->toPlainText().endsWith(s("0188")));
    // Both distributions under way: each has sent a picture (the status page asks models too).
    const auto sending = [&](int64_t socket) {
        const auto calls = library.callsNamed("bSendImageFromFile");
        return std::any_of(calls.begin(), calls.end(),
                           [socket](const auto& call) { return call.ints[0] == socket; });
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return sending(12) && sending(300); }));

    form.close();  // both distributions are still under way
    const size_t sentBeforeClose = library.callsNamed("bSendImageFromFile").size();
    QTest::qWait(50);
    EXPECT_EQ(library.callsNamed("bSendImageFromFile").size(), sentBeforeClose);
}

}  // namespace
