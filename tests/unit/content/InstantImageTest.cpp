#include "content/InstantImage.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QRect>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "content/TerminalPicture.h"
#include "support/FakeTerminalLibrary.h"

using namespace tarifon;

TEST(InstantImage, TextIsCentredOnItsLineInAWhiteBoxCutAtTheEdges) {
    EXPECT_EQ(textTopLeft(QSize(200, 13), 16), QPoint(-36, 10));
    EXPECT_EQ(textLineCentre(TextLine::First), 16);
    EXPECT_EQ(textLineCentre(TextLine::Second), 48);

    const QFont font = defaultTextFont();
    for (const QString& text : {QStringLiteral("Mm"), QString(60, QLatin1Char('W'))}) {
        QImage picture(kPictureSize, QImage::Format_RGB32);
        picture.fill(Qt::black);
        drawTextLine(picture, text, 48, font);
        const QFontMetrics metrics(font);
        const QSize size(metrics.horizontalAdvance(text), metrics.height());
        const QRect box(textTopLeft(size, 48), size);
        int white = 0;
        for (int y = 0; y < kPictureHeight; ++y)
            for (int x = 0; x < kPictureWidth; ++x) {
                const bool isWhite = picture.pixelIndex(x, y) == 1;
                white += isWhite;
                ASSERT_TRUE(!isWhite || box.contains(x, y)) << x << "," << y;
            }
        // Black text on the white box: some of each.
        const QRect visible = box.intersected(QRect(QPoint(), kPictureSize));
        EXPECT_GT(white, visible.width() * visible.height() / 2);
        EXPECT_LT(white, visible.width() * visible.height());
    }
}

TEST(InstantImage, SendWritesTempBmpThenSendsItWithTheDisplayTime) {
    QTemporaryDir dir;
    const QString temp = dir.filePath(kInstantImageFileName.toString());
    FakeTerminalLibrary fake;
    EXPECT_EQ(sendInstantImage(fake, 7, whitePicture(), temp, QStringLiteral("x")).error(),
              QStringLiteral("''x'' is not a valid integer value"));
    EXPECT_TRUE(fake.calls().empty());
    EXPECT_EQ(QFileInfo(temp).size(), 1086);  // written all the same

    EXPECT_TRUE(sendInstantImage(fake, 7, whitePicture(), temp, QStringLiteral("70000")));
    const auto calls = fake.callsNamed("bSendImageFromFile");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].ints, (std::vector<int64_t>{7, 128, 64, 0, 0, 70000, 1}));
    EXPECT_EQ(calls[0].texts, std::vector<std::string>{temp.toStdString()});

    const QString nowhere = dir.filePath(QStringLiteral("missing/temp.bmp"));
    const auto sent = sendInstantImage(fake, 7, whitePicture(), nowhere, QStringLiteral("4"));
    const QString error = sent ? QString() : sent.error();
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(nowhere)) &&
                error.endsWith(QStringLiteral(": No such file or directory")))
        << error.toStdString();
    EXPECT_EQ(fake.calls().size(), 1u);
}
