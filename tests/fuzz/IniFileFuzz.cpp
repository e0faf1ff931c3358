// libFuzzer target: any bytes as an INI file. Reading must not crash, and a value that
// setValue accepts must read back as written (up to the length cut) without disturbing
// the other entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QString>

#include "platform/IniFile.h"

using namespace tarifon;

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Text that UTF-8 cannot hold (lone surrogates from a UTF-16 file) is replaced on the
    // first write; the properties below are about files as the writer leaves them.
    IniFile ini =
        IniFile::fromBytes(IniFile::fromBytes(IniFile::fromBytes(bytes).toUtf8()).toUtf8());

    const QString section = QStringLiteral("MESSAGE");
    const QString before = ini.value(QStringLiteral("GENERAL"), QStringLiteral("currency"), {});
    check(before.size() <= IniFile::kMaxValueLength);

    // The fuzz input's own text doubles as the value to store.
    const QString value = QString::fromUtf8(bytes.left(64));
    if (ini.setValue(section, QStringLiteral("line1"), value)) {
        const IniFile reread = IniFile::fromBytes(ini.toUtf8());
        check(reread.value(section, QStringLiteral("line1"), {}) == value);
        check(reread.value(QStringLiteral("GENERAL"), QStringLiteral("currency"), {}) == before);
    }
    return 0;
}
