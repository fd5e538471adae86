#pragma once

#include "app/Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <memory>

// The file dialogs' filters, listing logs and NMEA files in any letter case; the open dialog
// offers every file as a second choice.
extern const QString kOpenFilter;
extern const QString kAllFilesFilter;
// The photo dialog's filter: the photos tagged in place and the raw files, in any letter case.
QString PhotoFilter();
// The save dialog's filters, one per output type, in the order of kOutputTypes.
QStringList SaveFilters();
// The line below the file types of the toolkit's own save dialog: the default file's times are
// local, while other programs read NMEA and GPX times as UTC.
extern const QString kSaveTypeHint;

// The dialogs as the window shows them, built apart so tests can inspect them without exec().
std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* parent, const QString& initialFolder);
// Picks several existing photos at once.
std::unique_ptr<QFileDialog> MakePhotoDialog(QWidget* parent, const QString& initialFolder);
// The type picked at first is `type`; a name typed without an extension gets the picked type's.
std::unique_ptr<QFileDialog> MakeSaveDialog(QWidget* parent, const QString& initialFolder,
                                            const QString& proposedName,
                                            OutputType type = OutputType::Nmea);
// Picks one folder, for the files of a split export.
std::unique_ptr<QFileDialog> MakeFolderDialog(QWidget* parent, const QString& initialFolder);
// Picks one existing map file.
std::unique_ptr<QFileDialog> MakeMapDialog(QWidget* parent, const QString& initialFolder);
std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const QString& text);
std::unique_ptr<QMessageBox> MakeOverwriteBox(QWidget* parent, const QString& question);

// The real, modal dialogs of the application.
class QtDialogs final : public Dialogs
{
  public:
    std::optional<QString> AskOpenPath(QWidget* parent, const QString& initialFolder) override;
    QStringList AskPhotoPaths(QWidget* parent, const QString& initialFolder) override;
    std::optional<SaveChoice> AskSavePath(QWidget* parent, const QString& initialFolder,
                                          const QString& proposedName, OutputType type) override;
    std::optional<QString> AskFolder(QWidget* parent, const QString& initialFolder) override;
    void ShowError(QWidget* parent, const QString& text) override;
    void ShowInformation(QWidget* parent, const QString& text) override;
    bool AskOverwrite(QWidget* parent, const QString& question) override;
    bool AskWeekRepair(QWidget* parent, const QString& question) override;
    bool AskReadAsOther(QWidget* parent, const QString& question,
                        const QString& readAsCaption) override;
    bool AskGoOnline(QWidget* parent, const QString& question) override;
    std::optional<QString> AskMapPath(QWidget* parent, const QString& initialFolder) override;
};
