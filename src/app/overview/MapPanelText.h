#pragma once

#include <QString>

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
// The map file dialog's title and filter.
QString MapDialogTitle();
QString MapFileFilter();
