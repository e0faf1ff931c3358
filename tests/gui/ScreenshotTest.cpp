// Renders the window and each offered page, for looking at the layout. The pictures
// go to $TARIFON_SCREENSHOT_DIR when set, else to a temporary folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "support/FakeTerminalLibrary.h"
#include "ui/TForm1.h"

using namespace tarifon;

TEST(Screenshot, WindowAndOfferedPagesRenderAtTheirSize) {
    QTemporaryDir temporary;
    const QString folder = qEnvironmentVariableIsSet("TARIFON_SCREENSHOT_DIR")
                               ? qEnvironmentVariable("TARIFON_SCREENSHOT_DIR")
                               : temporary.path();
    FakeTerminalLibrary library;
    TForm1 form(library);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        const QImage shot = form.grab().toImage();
        EXPECT_EQ(shot.size(), form.size());
        const QString name = i == 0 ? QStringLiteral("tarifon-window.png")
                                    : QStringLiteral("tarifon-page-%1.png").arg(i);
        EXPECT_TRUE(shot.save(QDir(folder).filePath(name))) << name.toStdString();
    }
    EXPECT_EQ(form.centralWidget()->size(), QSize(664, 536));
    // The pages without a tab still render, for checking their layout.
    for (const QString& name : {QStringLiteral("TabSheet2"), QStringLiteral("TabSheet3")}) {
        auto* page = form.findChild<QWidget*>(name);
        ASSERT_NE(page, nullptr);
        const QImage shot = page->grab().toImage();
        EXPECT_EQ(shot.size(), page->size());
        EXPECT_TRUE(shot.save(QDir(folder).filePath(QStringLiteral("tarifon-%1.png").arg(name))));
    }
}
