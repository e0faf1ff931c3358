#include "pricing/FbStatus.h"

#include <array>

#include <QStringDecoder>
#include <QStringList>

#include "platform/Cp1252.h"

namespace tarifon {

namespace {

// The engine words its messages in UTF-8, but a message may quote bytes of the
// connection's character set (a path, a value); those are read as Windows-1252.
QString decodeMessage(const char* text) {
    const QByteArray bytes(text);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString decoded = utf8.decode(bytes);
    if (!utf8.hasError())
        return decoded;
    return cp1252::decode(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

}  // namespace

DbError fbError(const ISC_STATUS* status) {
    std::array<char, 6> sqlState{};
    fb_sqlstate(sqlState.data(), status);

    QStringList lines;
    std::array<char, 1024> line{};
    const ISC_STATUS* cursor = status;
    while (fb_interpret(line.data(), static_cast<unsigned>(line.size()), &cursor) > 0)
        lines.append(decodeMessage(line.data()));

    return {lines.join(QLatin1Char('\n')), QString::fromLatin1(sqlState.data())};
}

}  // namespace tarifon
