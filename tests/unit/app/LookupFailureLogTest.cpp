#include "app/LookupFailureLog.h"

#include <gtest/gtest.h>

#include "support/Utf8.h"

using namespace tarifon;
using namespace std::chrono_literals;

// One line at once for the first failure of a reason, with its code; the same reason
// again is counted, and told once its minute is over.
TEST(LookupFailureLog, TellsAReasonAtOnceThenCountsItOnceAMinute) {
    const QString reason = s("I/O error for file \"/srv/pdv.fdb\"\nNo such file or directory");
    const QString said = s("I/O error for file \"/srv/pdv.fdb\"; No such file or directory");
    const QString prefix = s("Falha no banco de dados do PDV ");
    LookupFailureLog log;
    const auto t0 = LookupFailureLog::Clock::now();
    EXPECT_EQ(log.failed(s("789"), reason, t0), prefix + s("ao consultar 789: ") + said);
    EXPECT_EQ(log.failed(s("790"), reason, t0 + 1s), std::nullopt);
    EXPECT_EQ(log.failed(s("791"), reason, t0 + 59s), std::nullopt);
    EXPECT_TRUE(log.failed(s("792"), s("another reason"), t0 + 2s));
    EXPECT_EQ(log.due(t0 + 60s),
              QStringList{prefix + s("em mais 2 consultas no último minuto: ") + said});
    EXPECT_EQ(log.failed(s("793"), reason, t0 + 61s), std::nullopt);
    EXPECT_EQ(log.due(t0 + 120s),
              QStringList{prefix + s("em mais 1 consulta no último minuto: ") + said});
}
