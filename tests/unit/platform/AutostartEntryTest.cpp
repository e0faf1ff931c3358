#include "platform/AutostartEntry.h"

#include <gtest/gtest.h>

#include "support/Utf8.h"

using namespace tarifon;

TEST(AutostartEntry, ExecQuotesAndEscapesWhatDesktopEntriesReserve) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"/opt/my shop/tarifon", "\"/opt/my shop/tarifon\""},
        // Inside quotes " ` $ \ take a backslash; then every backslash of the value doubles.
        {"/opt/$x`y\"z/t", "\"/opt/\\\\$x\\\\`y\\\\\"z/t\""},
        {"/opt/a\\b/t", "\"/opt/a\\\\\\\\b/t\""},
        {"/opt/100%/t", "/opt/100%%/t"},
    };
    for (const auto& [executable, exec] : cases)
        EXPECT_EQ(AutostartEntry::execValue(s(executable)), s(exec)) << executable;
}
