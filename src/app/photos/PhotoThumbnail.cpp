#include "app/photos/PhotoThumbnail.h"

#include "photos/PhotoMeta.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>

QByteArray PhotoThumbnailPng(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    const std::string exif = ExifThumbnail(std::string_view(bytes.constData(), bytes.size()));
    QImage picture =
        QImage::fromData(QByteArray::fromRawData(exif.data(), static_cast<qsizetype>(exif.size())));
    if (picture.isNull()) {
        // Decoded at the size shown, not whole.
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        reader.setAutoTransform(true);
        if (const QSize size = reader.size(); size.isValid())
            reader.setScaledSize(size.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio));
        picture = reader.read();
    }
    if (picture.isNull())
        return {};
    if (picture.width() > kThumbnailSide || picture.height() > kThumbnailSide)
        picture = picture.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    picture.save(&out, "PNG");
    return png;
}
