// The small widgets of the layout: typing limits, radio groups and lamps.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "support/FakeTerminalLibrary.h"
#include "support/Utf8.h"
#include "ui/LimitedEdit.h"
#include "ui/RadioGroup.h"
#include "ui/StatusLamp.h"
#include "ui/TForm1.h"

using namespace tarifon;

TEST(LimitedEdit, TypingStopsAtTheLimitWhileProgramTextIsKept) {
    FakeTerminalLibrary library;
    TForm1 form(library);
    form.show();
    auto* edit = form.findChild<LimitedEdit*>(s("Edit21"));
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, QStringLiteral("12345"));
    EXPECT_EQ(edit->text(), s("12"));

    // A reply carrying 255 is shown whole; the operator still cannot make it longer.
    edit->setText(QStringLiteral("255"));
    EXPECT_EQ(edit->text(), s("255"));
    QTest::keyClicks(edit, QStringLiteral("7"));
    EXPECT_EQ(edit->text(), s("255"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), s("25"));
    QTest::keyClicks(edit, QStringLiteral("9"));
    EXPECT_EQ(edit->text(), s("25"));

    // Replacing a selection and pasting obey the same limit.
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("xyz"));
    EXPECT_EQ(edit->text(), s("xy"));
    edit->clear();
    QApplication::clipboard()->setText(s("abcdef"));
    edit->paste();
    EXPECT_EQ(edit->text(), s("ab"));
    QTest::keyClicks(edit, QStringLiteral("c"));
    EXPECT_EQ(edit->text(), s("ab"));
}

TEST(LimitedEdit, LongerLimitsAndNoLimit) {
    LimitedEdit edit;
    edit.show();
    edit.setTypingLimit(15);
    QTest::keyClicks(&edit, QStringLiteral("192.168.100.200.1"));
    EXPECT_EQ(edit.text(), s("192.168.100.200"));
    // Deleting inside a program-set text longer than the limit is allowed.
    edit.setText(s("12345678901234567890"));
    edit.setCursorPosition(5);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), s("1234578901234567890"));
    QTest::keyClicks(&edit, QStringLiteral("x"));
    EXPECT_EQ(edit.text(), s("1234578901234567890"));

    edit.setTypingLimit(0);
    edit.clear();
    const QString longText(300, QLatin1Char('a'));
    QTest::keyClicks(&edit, longText);
    EXPECT_EQ(edit.text(), longText);
}

TEST(RadioGroup, ItemIndexAllowsNoneClampsAndKeepsSelectionOnTextChange) {
    RadioGroup group;
    group.setColumns(3);
    group.setItems({s("Cabo"), s("Sem Fio"), s("Atual")});
    group.show();
    QSignalSpy changed(&group, &RadioGroup::itemIndexChanged);
    EXPECT_EQ(group.itemIndex(), -1);

    group.setItemIndex(2);
    EXPECT_EQ(group.itemIndex(), 2);
    EXPECT_TRUE(group.button(2)->isChecked());
    group.setItemText(0, s("Wired"));
    EXPECT_EQ(group.itemText(0), s("Wired"));
    EXPECT_EQ(group.itemIndex(), 2);

    group.setItemIndex(-1);
    EXPECT_EQ(group.itemIndex(), -1);
    for (int i = 0; i < group.count(); ++i) {
        EXPECT_FALSE(group.button(i)->isChecked()) << i;
    }
    group.setItemIndex(255);  // a reply byte past the items chooses the last one
    EXPECT_EQ(group.itemIndex(), 2);
    group.setItemIndex(-7);
    EXPECT_EQ(group.itemIndex(), -1);
    EXPECT_EQ(changed.count(), 4);

    // The operator's click selects exclusively.
    QTest::mouseClick(group.button(1), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(group.itemIndex(), 1);
    QTest::mouseClick(group.button(0), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(group.itemIndex(), 0);
    EXPECT_FALSE(group.button(1)->isChecked());
    EXPECT_EQ(changed.last().at(0).toInt(), 0);

    // Three columns: the items stand side by side in one row.
    EXPECT_EQ(group.button(0)->y(), group.button(2)->y());
    EXPECT_LT(group.button(0)->x(), group.button(1)->x());
    EXPECT_LT(group.button(1)->x(), group.button(2)->x());
}

TEST(RadioGroup, TwoColumnsFillColumnByColumn) {
    RadioGroup group;
    group.setColumns(2);
    group.setItems({s("a"), s("b"), s("c"), s("d")});
    group.show();
    EXPECT_EQ(group.button(0)->x(), group.button(1)->x());
    EXPECT_LT(group.button(0)->y(), group.button(1)->y());
    EXPECT_LT(group.button(0)->x(), group.button(2)->x());
    EXPECT_EQ(group.button(0)->y(), group.button(2)->y());
}

TEST(StatusLamp, PaintsItsColourAsAFilledCircle) {
    StatusLamp lamp;
    lamp.resize(15, 15);
    const QImage green = lamp.grab().toImage();
    EXPECT_EQ(green.pixelColor(7, 7), StatusLamp::kGreen);
    EXPECT_NE(green.pixelColor(0, 0), StatusLamp::kGreen);  // corners lie outside the circle
    lamp.setColor(StatusLamp::kYellow);
    EXPECT_EQ(lamp.grab().toImage().pixelColor(7, 7), StatusLamp::kYellow);
}
