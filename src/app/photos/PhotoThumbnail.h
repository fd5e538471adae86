#pragma once

#include <QByteArray>
#include <QString>

// The longest side of a photo's picture in its row's tooltip, in pixels.
constexpr int kThumbnailSide = 160;

// A photo's small picture as a PNG: the thumbnail its camera kept in the EXIF, else the photo
// itself scaled down; at most kThumbnailSide either way; empty when neither can be read. Reads
// the whole file: made off the window's thread.
[[nodiscard]] QByteArray PhotoThumbnailPng(const QString& path);
