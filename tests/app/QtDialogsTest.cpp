#include "app/QtDialogs.h"

#include "QtPrint.h"
#include "app/OutputTypes.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

QStringList Listed(const QFileDialog& dialog)
{
    const auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
    if (view == nullptr || view->model() == nullptr)
        return {};
    QStringList names;
    const QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(view->rootIndex()); ++row)
        names << model->index(row, 0, view->rootIndex()).data().toString();
    names.sort();
    return names;
}

// The photo dialog picks several photos and raw files at once, whatever the letter case of
// their names, and lists no log or text file.
TEST(QtDialogs, PhotoDialogListsPhotosInAnyLetterCase)
{
    QTemporaryDir folder;
    for (const char* name : {"IMG_1.JPG", "b.jpeg", "c.png", "IMG_2.CR2", "d.Nef", "day.bin",
                             "notes.txt", "IMG_1.JPG.xmp"})
        QFile(folder.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly);
    auto dialog = MakePhotoDialog(nullptr, folder.path());
    EXPECT_EQ(dialog->windowTitle(), "写真の追加");
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog->nameFilters().value(1), "すべてのファイル (*)");
    dialog->show();
    const QStringList photos{"IMG_1.JPG", "IMG_2.CR2", "b.jpeg", "c.png", "d.Nef"};
    EXPECT_TRUE(QTest::qWaitFor([&] { return Listed(*dialog) == photos; }, 5000))
        << Listed(*dialog).join(", ").toStdString();
}

// The log dialog lists logs whatever the letter case of their names, and nothing else.
TEST(QtDialogs, OpenDialogListsLogsInAnyLetterCase)
{
    QTemporaryDir folder;
    // Names that differ in more than their case: Windows' file systems take two such as one.
    for (const char* name : {"TRACK.BNX4", "walk.bnx4", "Log.BinX", "day.bin", "notes.txt",
                             "out.nmea", "track.bnx4.bak"})
        QFile(folder.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly);

    // The initial folder is not created: the dialog starts in its nearest existing ancestor.
    const QString raw = QDir::toNativeSeparators(folder.path() + "/Tallomer/Raw/");
    auto dialog = MakeOpenDialog(nullptr, raw);
    EXPECT_FALSE(QDir(folder.filePath("Tallomer")).exists());
    EXPECT_EQ(dialog->directory().absolutePath(), QDir(folder.path()).absolutePath());
    EXPECT_EQ(dialog->nameFilters(),
              QStringList({"GPSログファイル (*.bnx4 *.binx *.bin)", "すべてのファイル (*)"}));
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile);
    EXPECT_EQ(dialog->defaultSuffix(), "");

    dialog->show();
    const QStringList logs{"Log.BinX", "TRACK.BNX4", "day.bin", "walk.bnx4"};
    EXPECT_TRUE(QTest::qWaitFor([&] { return Listed(*dialog) == logs; }, 5000))
        << Listed(*dialog).join(", ").toStdString();

    // The detail view shows every size and date whole, with room for the cell's margins.
    const auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    EXPECT_EQ(dialog->viewMode(), QFileDialog::Detail);
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
        for (int column : {1, 3})
            EXPECT_LE(view->fontMetrics().horizontalAdvance(
                          view->model()->index(row, column, view->rootIndex()).data().toString()) +
                          8,
                      view->header()->sectionSize(column));
}

TEST(QtDialogs, SaveDialogConfirmsOverwriteOfTheNameWithThePickedTypesExtension)
{
    QTemporaryDir folder;
    auto dialog = MakeSaveDialog(nullptr, folder.path(), "track.nmea");
    EXPECT_EQ(dialog->directory().absolutePath(), QDir(folder.path()).absolutePath());
    EXPECT_EQ(dialog->selectedFiles(), QStringList{QDir(folder.path()).filePath("track.nmea")});
    EXPECT_EQ(dialog->nameFilters(),
              (QStringList{"NMEA（現地時刻） (*.nmea)", "NMEA UTC + 高度 (*.nmea)", "GPX (*.gpx)",
                           "KML (*.kml)", "GeoJSON (*.geojson)", "CSV (*.csv)"}));
    // Below the types, one line says which of them other programs read.
    const auto* hint = dialog->findChild<QLabel*>(QStringLiteral("LabelSaveTypeHint"));
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->text(), "他のプログラムは時刻を UTC として読みます。"
                            "他のプログラム用には「NMEA UTC + 高度」か GPX を選んでください");
    dialog->show();
    QTRY_VERIFY(hint->isVisible());
    EXPECT_LT(hint->height(), 2 * hint->fontMetrics().lineSpacing()); // one line
    EXPECT_GT(hint->geometry().top(),
              dialog->findChild<QWidget*>(QStringLiteral("fileTypeCombo"))->geometry().bottom());
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    // A name typed without an extension gets the picked type's, so the dialog's own question
    // about replacing a file is about the file written.
    EXPECT_EQ(dialog->defaultSuffix(), "nmea");
    const struct {
        OutputType Picked;
        const char* Filter;
        const char* Suffix;
    } types[] = {{OutputType::Gpx, "GPX (*.gpx)", "gpx"},
                 {OutputType::NmeaUtcHeights, "NMEA UTC + 高度 (*.nmea)", "nmea"},
                 {OutputType::Csv, "CSV (*.csv)", "csv"}};
    for (const auto& type : types) {
        auto typed = MakeSaveDialog(nullptr, folder.path(), "track", type.Picked);
        EXPECT_EQ(typed->selectedNameFilter(), type.Filter);
        EXPECT_EQ(typed->defaultSuffix(), type.Suffix);
        emit typed->filterSelected(QStringLiteral("GeoJSON (*.geojson)")); // picked by the user
        EXPECT_EQ(typed->defaultSuffix(), "geojson") << type.Filter;
    }
}

// A name typed with an output type's extension asks for that type's writer.
TEST(OutputType, TypedExtensionDecides)
{
    const struct {
        const char* Extension;
        OutputType Picked;
        OutputType Written;
    } cases[] = {
        {".gpx", OutputType::Nmea, OutputType::Gpx},
        {".kml", OutputType::Csv, OutputType::Kml},
        {".geojson", OutputType::Nmea, OutputType::GeoJson},
        {".csv", OutputType::NmeaUtcHeights, OutputType::Csv},
        {".nmea", OutputType::Gpx, OutputType::Nmea},
        {".nmea", OutputType::NmeaUtcHeights, OutputType::NmeaUtcHeights},
        {".txt", OutputType::Gpx, OutputType::Gpx},
        {"", OutputType::Kml, OutputType::Kml},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TypeOfExtension(c.Extension, c.Picked), c.Written) << c.Extension;
}

TEST(QtDialogs, MessageBoxes)
{
    auto error = MakeErrorBox(nullptr, "ディスクがいっぱいです.");
    EXPECT_EQ(error->windowTitle(), "Tallo2NMEA");
    EXPECT_EQ(error->icon(), QMessageBox::Critical);
    EXPECT_EQ(error->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(error->text(), "ディスクがいっぱいです.");

    auto question = MakeOverwriteBox(nullptr, "a.nmea は既に存在します。上書きしますか?");
    EXPECT_EQ(question->windowTitle(), "Tallo2NMEA");
    EXPECT_EQ(question->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(question->text(), "a.nmea は既に存在します。上書きしますか?");
}

// The save dialog lists the files of the format each type writes.
TEST(OutputTypeLabel, ListsTheFilesOfItsFormat)
{
    for (const OutputType type : kOutputTypes)
        EXPECT_TRUE(OutputTypeLabel(type).ends_with(
            "(*" + std::string(ExtensionOf(FormatOf(type).Format)) + ")"));
}

} // namespace
