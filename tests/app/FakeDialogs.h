#pragma once

#include "app/Dialogs.h"

#include <QList>
#include <QStringList>
#include <functional>

// Answers the window's questions from preset values and records everything it was asked.
class FakeDialogs final : public Dialogs
{
  public:
    std::optional<QString> OpenAnswer; // nothing: the user cancels
    std::optional<QString> SaveAnswer;
    QStringList PhotoAnswer; // empty: the user cancels
    OutputType SaveType = OutputType::Nmea;
    bool OverwriteAnswer = false;
    bool WeekRepairAnswer = false;
    std::function<void()> WhileAskingWeekRepair; // runs as the question is shown
    bool GoOnlineAnswer = false;
    bool ReadAsOtherAnswer = false;
    QStringList ReadAsOtherQuestions; // each question, then its button's caption
    std::optional<QString> MapAnswer;
    std::optional<QString> FolderAnswer; // nothing: the user cancels

    QStringList OpenFolders; // the initial folder of every open dialog shown
    QStringList SaveFolders;
    QStringList PhotoFolders;
    QStringList SaveNames;       // the name every save dialog proposed
    QList<OutputType> SaveTypes; // the type every save dialog picked at first
    QStringList FolderFolders;   // the initial folder of every folder dialog
    QStringList Errors;          // the text of every error box
    QStringList Informations;    // the text of every information box
    QStringList Questions;
    QStringList WeekRepairQuestions;
    QStringList GoOnlineQuestions;
    QStringList MapFolders;

    std::optional<QString> AskOpenPath(QWidget*, const QString& initialFolder) override
    {
        OpenFolders.append(initialFolder);
        return OpenAnswer;
    }
    QStringList AskPhotoPaths(QWidget*, const QString& initialFolder) override
    {
        PhotoFolders.append(initialFolder);
        return PhotoAnswer;
    }
    std::optional<SaveChoice> AskSavePath(QWidget*, const QString& initialFolder,
                                          const QString& proposedName, OutputType type) override
    {
        SaveFolders.append(initialFolder);
        SaveNames.append(proposedName);
        SaveTypes.append(type);
        if (!SaveAnswer)
            return std::nullopt;
        return SaveChoice{*SaveAnswer, SaveType};
    }
    std::optional<QString> AskFolder(QWidget*, const QString& initialFolder) override
    {
        FolderFolders.append(initialFolder);
        return FolderAnswer;
    }
    void ShowError(QWidget*, const QString& text) override { Errors.append(text); }
    void ShowInformation(QWidget*, const QString& text) override { Informations.append(text); }
    bool AskOverwrite(QWidget*, const QString& question) override
    {
        Questions.append(question);
        return OverwriteAnswer;
    }
    bool AskWeekRepair(QWidget*, const QString& question) override
    {
        WeekRepairQuestions.append(question);
        if (WhileAskingWeekRepair)
            WhileAskingWeekRepair();
        return WeekRepairAnswer;
    }
    bool AskReadAsOther(QWidget*, const QString& question, const QString& readAsCaption) override
    {
        ReadAsOtherQuestions << question << readAsCaption;
        return ReadAsOtherAnswer;
    }
    bool AskGoOnline(QWidget*, const QString& question) override
    {
        GoOnlineQuestions.append(question);
        return GoOnlineAnswer;
    }
    std::optional<QString> AskMapPath(QWidget*, const QString& initialFolder) override
    {
        MapFolders.append(initialFolder);
        return MapAnswer;
    }
};
