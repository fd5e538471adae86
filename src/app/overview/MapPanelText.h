#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The words of the map's controls above the track picture.

QString OnlineSwitchText();
QString OnlineSwitchToolTip();
QString MapSourceToolTip();
// The first entry of the source list: no map, the built-in outline alone.
QString OutlineOnlyText();
// A map file's entry ("地図ファイル: kanto.mbtiles").
QString MapFileEntryText(const QString& name);
QString OpenMapButtonText();
QString OpenMapButtonToolTip();
// The question before the window first reaches a tile server.
QString GoOnlineQuestion(const QString& sourceName);
// A photo's tooltip on the map: its name, the moment its clock shows ("2024/05/03 10:12:33")
// and, when it could be read, its thumbnail as a PNG.
QString PhotoTipText(const QString& name, std::int64_t takenMs, const QByteArray& thumbnailPng);
// The map file dialog's title and filter.
QString MapDialogTitle();
QString MapFileFilter();
