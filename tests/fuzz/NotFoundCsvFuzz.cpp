// libFuzzer target: any bytes as notfound.csv, a file shops open and save again in a
// spreadsheet.  Reading must not crash, and what the program writes must read back to
// the same entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "report/NotFoundCsv.h"
#include "report/NotFoundTable.h"

using namespace tarifon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    NotFoundTable table;
    if (!readNotFoundCsv(std::string_view(reinterpret_cast<const char*>(data), size), table))
        return 0;
    const auto entries = table.entries();
    NotFoundTable again;
    if (!readNotFoundCsv(writeNotFoundCsv(entries), again) || again.entries() != entries)
        std::abort();
    return 0;
}
