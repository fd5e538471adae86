#pragma once

#include "app/OutputTypes.h"

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// The file chosen in the save dialog and the output type picked for it.
struct SaveChoice {
    QString Path;
    OutputType Type = OutputType::Nmea;
};

// Everything the window asks the user or tells the user in a box of its own. The window talks to
// this interface only, so tests answer it without modal loops.
class Dialogs
{
  public:
    virtual ~Dialogs() = default;

    // The full path chosen in the log file dialog, or nothing when the user cancelled.
    virtual std::optional<QString> AskOpenPath(QWidget* parent, const QString& initialFolder) = 0;
    // The full path chosen in the output file dialog, which proposes `proposedName` in the initial
    // folder and offers the output types, `type` picked at first, with the type picked; nothing
    // when the user cancelled.
    virtual std::optional<SaveChoice> AskSavePath(QWidget* parent, const QString& initialFolder,
                                                  const QString& proposedName, OutputType type) = 0;
    // The folder chosen for the files of a split export, starting in `initialFolder`; nothing
    // when the user cancelled.
    virtual std::optional<QString> AskFolder(QWidget* parent, const QString& initialFolder) = 0;
    // The photos chosen in the photo dialog, which starts in `initialFolder`; empty when the user
    // cancelled.
    virtual QStringList AskPhotoPaths(QWidget* parent, const QString& initialFolder) = 0;
    // The application's error box; `text` is shown as it stands.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    // The application's information box (a finished task's report); `text` is shown as it stands.
    virtual void ShowInformation(QWidget* parent, const QString& text) = 0;
    // A Yes/No question before an existing file is replaced; true for Yes.
    virtual bool AskOverwrite(QWidget* parent, const QString& question) = 0;
    // A Yes/No question after a load whose dates look 1024 GPS weeks early; true for Yes.
    virtual bool AskWeekRepair(QWidget* parent, const QString& question) = 0;
    // A question after a load whose content fits the other kind of log far better, with a button
    // that reads it as that kind (`readAsCaption`) and one that keeps it; true for the first.
    virtual bool AskReadAsOther(QWidget* parent, const QString& question,
                                const QString& readAsCaption) = 0;
    // A Yes/No question before the window first reaches a tile server; true for Yes.
    virtual bool AskGoOnline(QWidget* parent, const QString& question) = 0;
    // The map file (MBTiles) chosen in its dialog, which starts in `initialFolder`; nothing when
    // the user cancelled.
    virtual std::optional<QString> AskMapPath(QWidget* parent, const QString& initialFolder) = 0;
};
