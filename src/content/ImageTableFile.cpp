#include "content/ImageTableFile.h"

#include <string>

#include <QFile>
#include <QFileInfo>

#include "base/AtomicWrite.h"
#include "platform/Cp1252.h"

namespace tarifon {

namespace {

constexpr char kEndOfFile = 0x1A;
constexpr QStringView kEmptyLine = u"|||";

}  // namespace

QByteArray imageTableBytes(const ImageTable& table) {
    QByteArray bytes;
    for (int row = 1; row < table.rowCount(); ++row) {
        QString line;
        for (int column = 0; column < ImageTable::kColumns; ++column)
            line += table.cell(row, column) + QLatin1Char('|');
        if (line == kEmptyLine)
            continue;
        const std::string encoded = cp1252::encode(line);
        bytes.append(encoded.data(), static_cast<qsizetype>(encoded.size()));
        bytes.append("\r\n");
    }
    return bytes;
}

Result<void, QString> saveImageTable(const QString& path, const ImageTable& table) {
    const Result<void> written = writeFileAtomically(QFile::encodeName(path).toStdString(),
                                                     imageTableBytes(table).toStdString());
    if (!written)
        return QString::fromLocal8Bit(written.error());
    return {};
}

void readImageTable(const QByteArray& bytes, ImageTable& table) {
    const qsizetype end = bytes.indexOf(kEndOfFile);
    const QByteArray text = end < 0 ? bytes : bytes.left(end);

    int row = 1;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype lineEnd = text.indexOf('\n', start);
        if (lineEnd < 0)
            lineEnd = text.size();
        if (table.rowCount() <= row)
            table.setRowCount(row + 1);
        std::string field;
        int column = 0;
        for (qsizetype i = start; i < lineEnd; ++i) {
            const char c = text[i];
            if (c == '\r')
                continue;
            if (c != '|') {
                field.push_back(c);
                continue;
            }
            table.setCell(row, column, cp1252::decode(field));
            field.clear();
            ++column;
        }
        ++row;
        start = lineEnd + 1;
    }
    table.setRowCount(row);
}

void loadImageTable(const QString& path, ImageTable& table) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return;
    readImageTable(file.readAll(), table);
}

}  // namespace tarifon
