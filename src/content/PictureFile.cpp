#include "content/PictureFile.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "base/AtomicWrite.h"
#include "content/BmpFile.h"
#include "content/JpegDecoder.h"
#include "content/TerminalPicture.h"

namespace tarifon {

namespace {

constexpr int kBmpHeadBytes = 64;
// Qt's own allocation guard, for decoders that cannot tell a size before decoding.
constexpr int kAllocationLimitMiB = static_cast<int>(kMaxPicturePixels * 4 / (1024 * 1024));

const QString& invalidBitmapMessage() {
    static const QString message = QStringLiteral("Bitmap image is not valid");
    return message;
}

bool beyondLimits(QSize size) {
    return size.width() > kMaxPictureSide || size.height() > kMaxPictureSide ||
           int64_t{size.width()} * size.height() > kMaxPicturePixels;
}

// A Qt image plug-in forced to `format` (never guessing from the content).  `failure`
// replaces the plug-in's message when given.
DecodedPicture decodeWithQt(QFile& file, const char* format, const QString& failure = {}) {
    QImageReader::setAllocationLimit(kAllocationLimitMiB);
    QImageReader reader(&file, format);
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (size.isValid() && beyondLimits(size))
        return {{}, pictureTooLargeMessage(size.width(), size.height())};
    QImage image;
    if (!reader.read(&image))
        return {{}, failure.isEmpty() ? reader.errorString() : failure};
    return {image, {}};
}

DecodedPicture decodeBmp(QFile& file) {
    const BmpHeader header = checkBmpHeader(file.peek(kBmpHeadBytes), file.size());
    if (header.verdict == BmpHeader::Verdict::TooLarge)
        return {{}, pictureTooLargeMessage(header.size.width(), header.size.height())};
    if (header.verdict == BmpHeader::Verdict::Invalid)
        return {{}, invalidBitmapMessage()};
    return decodeWithQt(file, "bmp", invalidBitmapMessage());
}

QString matchIgnoringCase(const QString& path) {
    const QFileInfo named(path);
    if (named.exists() || named.fileName().isEmpty())
        return path;
    const QDir folder = named.dir();
    QStringList matches = folder.entryList(QDir::Files | QDir::Hidden, QDir::Unsorted);
    matches.removeIf([&named](const QString& entry) {
        return entry.compare(named.fileName(), Qt::CaseInsensitive) != 0;
    });
    if (matches.isEmpty())
        return path;
    return folder.filePath(*std::min_element(matches.cbegin(), matches.cend()));
}

PictureLoad load(const QString& path, bool prepare) {
    if (!QFileInfo(path).isFile())
        return {};
    DecodedPicture decoded = decodePictureFile(path);
    if (decoded.image.isNull())
        return {PictureLoad::Outcome::Failed, {}, decoded.error};
    return {PictureLoad::Outcome::Loaded,
            prepare ? blackAndWhite(decoded.image) : std::move(decoded.image),
            {}};
}

}  // namespace

QStringList readablePictureExtensions() {
    return {QStringLiteral("bmp"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
            QStringLiteral("gif"), QStringLiteral("tif"), QStringLiteral("tiff"),
            QStringLiteral("ico")};
}

QString pictureTooLargeMessage(int width, int height) {
    return QStringLiteral("Picture is too large (%1 x %2 pixels; at most %3 x %3 and %4 pixels)")
        .arg(width)
        .arg(height)
        .arg(kMaxPictureSide)
        .arg(kMaxPicturePixels);
}

QString cannotOpenMessage(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason);
}

DecodedPicture decodePictureFile(const QString& path) {
    const QString extension = QFileInfo(path).suffix();
    const QString kind = extension.toLower();
    if (kind == u"wmf" || kind == u"emf")
        return {{},
                QStringLiteral("Windows metafile pictures (.%1) cannot be read").arg(extension)};
    const char* qtFormat = kind == u"gif"                      ? "gif"
                           : kind == u"tif" || kind == u"tiff" ? "tiff"
                           : kind == u"ico"                    ? "ico"
                                                               : nullptr;
    const bool bmp = kind == u"bmp";
    const bool jpeg = kind == u"jpg" || kind == u"jpeg";
    if (!bmp && !jpeg && qtFormat == nullptr)
        return {{}, QStringLiteral("Unknown picture file extension (.%1)").arg(extension)};
    if (jpeg)
        return decodeJpegFile(path);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, cannotOpenMessage(path, file.errorString())};
    return bmp ? decodeBmp(file) : decodeWithQt(file, qtFormat);
}

PictureLoad loadPictureFile(const QString& path) {
    return load(path, true);
}

PictureLoad loadPictureUnchanged(const QString& path) {
    return load(path, false);
}

QString rowPicturePath(const QString& programDir, const ImageTable& table, int row) {
    return matchIgnoringCase(QDir(programDir).filePath(QStringLiteral("images/")) +
                             table.cell(row, 0));
}

PictureLoad previewFromRow(const QString& programDir, const ImageTable& table, int row) {
    const QString path = rowPicturePath(programDir, table, row);
    if (!QFileInfo(path).isFile())
        return {PictureLoad::Outcome::Loaded, whitePicture(), {}};
    return loadPictureFile(path);
}

Result<void, QString> savePictureBmp(const QImage& picture, const QString& path) {
    const Result<void> written =
        writeFileAtomically(QFile::encodeName(path).toStdString(), bmpBytes(picture).toStdString());
    if (!written)
        return QStringLiteral("Cannot create file \"%1\". %2")
            .arg(path, QString::fromLocal8Bit(written.error()));
    return {};
}

}  // namespace tarifon
