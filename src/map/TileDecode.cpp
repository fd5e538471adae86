#include "map/TileDecode.h"

#include "tiles/TileBytes.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

QImage DecodeTile(const std::string& bytes)
{
    if (!IsWholeTileImage(bytes)) {
        return {};
    }
    const QByteArray data =
        QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxTileImagePixels ||
        size.height() > kMaxTileImagePixels) {
        return {};
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        return {};
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
