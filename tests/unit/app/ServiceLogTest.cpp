#include <gtest/gtest.h>

#include "app/ServiceLog.h"

// One event, one journal line: a code holding a line break cannot forge a second one.
TEST(ServiceLog, StampsEachLineAndKeepsItOneLine) {
    const QDateTime time(QDate(2024, 5, 1), QTime(14, 3, 7, 45));
    EXPECT_EQ(tarifon::serviceLogLine(time, QStringLiteral("#789\n2024-05-01 forged\r\x1b ção")),
              QByteArray("2024-05-01 14:03:07.045 #789?2024-05-01 forged?? ção\n"));
}
