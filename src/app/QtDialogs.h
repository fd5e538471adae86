#pragma once

#include "app/Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <memory>

// The file dialogs' filters: one entry each, listing logs and NMEA files in any letter case.
extern const QString kOpenFilter;
extern const QString kSaveFilter;

// The dialogs as the window shows them, built apart so tests can inspect them without exec().
std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* parent, const QString& initialFolder);
std::unique_ptr<QFileDialog> MakeSaveDialog(QWidget* parent, const QString& initialFolder);
std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const QString& text);
std::unique_ptr<QMessageBox> MakeOverwriteBox(QWidget* parent, const QString& question);

// The real, modal dialogs of the application.
class QtDialogs final : public Dialogs
{
  public:
    std::optional<QString> AskOpenPath(QWidget* parent, const QString& initialFolder) override;
    std::optional<QString> AskSavePath(QWidget* parent, const QString& initialFolder) override;
    void ShowError(QWidget* parent, const QString& text) override;
    bool AskOverwrite(QWidget* parent, const QString& question) override;
};
