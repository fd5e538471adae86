#include "app/QtDialogs.h"

#include "app/AppText.h"
#include "app/ExportText.h"
#include "app/OutputTypes.h"
#include "app/Platform.h"
#include "app/overview/MapPanelText.h"
#include "app/photos/PhotoText.h"
#include "load/LogFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeView>
#include <algorithm>

const QString kAllFilesFilter = QStringLiteral("すべてのファイル (*)");
const QString kSaveTypeHint = QStringLiteral(
    "他のプログラムは時刻を UTC として読みます。他のプログラム用には「NMEA UTC + 高度」か GPX "
    "を選んでください");

QString PhotoFilter()
{
    QStringList patterns;
    for (const auto& extensions : {InPlaceExtensions(), RawExtensions()})
        for (const std::string_view extension : extensions)
            patterns << QStringLiteral("*.") +
                            QString::fromLatin1(extension.data(),
                                                static_cast<qsizetype>(extension.size()));
    return QStringLiteral("写真 (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QStringList SaveFilters()
{
    QStringList filters;
    for (const OutputType type : kOutputTypes) {
        const std::string_view label = OutputTypeLabel(type);
        filters << QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
    }
    return filters;
}

namespace {

// The logs' names, from their extensions: "GPSログファイル (*.bnx4 *.binx *.bin)".
QString OpenFilter()
{
    QStringList patterns;
    for (const std::string_view extension : kLogExtensions)
        patterns << QStringLiteral("*.") +
                        QString::fromLatin1(extension.data(),
                                            static_cast<qsizetype>(extension.size()));
    return QStringLiteral("GPSログファイル (%1)").arg(patterns.join(QLatin1Char(' ')));
}

// The detail view's columns: name, size, type, date.
constexpr int kSizeColumn = 1;
constexpr int kDateColumn = 3;
// Room for the cell's margins and the header's sort arrow.
constexpr int kColumnPadding = 24;
// Wide and high enough for the name column beside the wider size and date columns.
constexpr int kDialogWidth = 820;
constexpr int kDialogHeight = 480;

// The folder itself when it exists, else its nearest existing ancestor: the initial folder is
// never created, and a dialog pointed at a missing folder would start somewhere arbitrary.
QString ExistingFolder(const QString& folder)
{
    QString path = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    while (!path.isEmpty() && !QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    return !path.isEmpty() && QFileInfo(path).isDir() ? path : QDir::homePath();
}

// The width of the widest of the sample texts.
int WidestText(const QFontMetrics& metrics, const QStringList& samples)
{
    int widest = 0;
    for (const QString& sample : samples)
        widest = std::max(widest, metrics.horizontalAdvance(sample));
    return widest;
}

// Lists the files with their size and date, in columns wide enough to read them whole: sizes as
// the dialog writes them, up to 999.99 of a unit, and a date late in a year at a late time, in
// the system's locale.
void ShowDetails(QFileDialog& dialog)
{
    dialog.setViewMode(QFileDialog::Detail);
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (view == nullptr)
        return;
    const QLocale locale = QLocale::system();
    const QDateTime lateDate(QDate(2000, 12, 28), QTime(23, 58, 58));
    const QFontMetrics metrics = view->fontMetrics();
    const int sizeWidth = WidestText(metrics, {locale.formattedDataSize(999),
                                               locale.formattedDataSize(1000 * 1024 - 1),
                                               locale.formattedDataSize(1000 * 1024 * 1024 - 1)});
    const int dateWidth = WidestText(metrics, {locale.toString(lateDate, QLocale::ShortFormat)});
    QHeaderView* header = view->header();
    header->resizeSection(kSizeColumn,
                          std::max(header->sectionSize(kSizeColumn), sizeWidth + kColumnPadding));
    header->resizeSection(kDateColumn,
                          std::max(header->sectionSize(kDateColumn), dateWidth + kColumnPadding));
    dialog.resize(std::max(dialog.width(), kDialogWidth), std::max(dialog.height(), kDialogHeight));
}

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const QString& initialFolder,
                                            const QStringList& filters)
{
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setDirectory(ExistingFolder(initialFolder));
    dialog->setNameFilters(filters);
    dialog->setDefaultSuffix(QString());
    dialog->setOption(QFileDialog::DontUseNativeDialog, !UseSystemFileDialogs());
    ShowDetails(*dialog);
    return dialog;
}

std::optional<QString> RunFileDialog(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* parent, const QString& initialFolder)
{
    auto dialog = MakeFileDialog(parent, initialFolder, {OpenFilter(), kAllFilesFilter});
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name need not exist: the load then says that the file is missing.
    dialog->setFileMode(QFileDialog::AnyFile);
    return dialog;
}

std::unique_ptr<QFileDialog> MakePhotoDialog(QWidget* parent, const QString& initialFolder)
{
    auto dialog = MakeFileDialog(parent, initialFolder, {PhotoFilter(), kAllFilesFilter});
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setWindowTitle(kPhotoDialogTitle);
    return dialog;
}

std::unique_ptr<QFileDialog> MakeSaveDialog(QWidget* parent, const QString& initialFolder,
                                            const QString& proposedName, OutputType type)
{
    auto dialog = MakeFileDialog(parent, initialFolder, SaveFilters());
    const QStringList filters = SaveFilters();
    const auto picked = std::find(std::begin(kOutputTypes), std::end(kOutputTypes), type);
    dialog->selectNameFilter(
        filters.value(static_cast<qsizetype>(picked - std::begin(kOutputTypes))));
    // A name typed without an extension gets the picked type's, so that the dialog's own
    // question about replacing a file asks about the file that will be written: the only one.
    QFileDialog* raw = dialog.get();
    const auto followType = [raw, filters](const QString& filter) {
        const qsizetype index = std::max<qsizetype>(filters.indexOf(filter), 0);
        const std::string_view extension =
            ExtensionOf(FormatOf(kOutputTypes[static_cast<std::size_t>(index)]).Format);
        raw->setDefaultSuffix(QString::fromLatin1(extension.substr(1)));
    };
    followType(dialog->selectedNameFilter());
    QObject::connect(raw, &QFileDialog::filterSelected, raw, followType);
    dialog->selectFile(proposedName);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // Replacing the chosen name is confirmed by the dialog itself.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    // The toolkit's own dialog takes a line below its fields; a system dialog takes none.
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout())) {
        auto* hint = new QLabel(kSaveTypeHint, dialog.get());
        hint->setObjectName(QStringLiteral("LabelSaveTypeHint"));
        hint->setWordWrap(true);
        grid->addWidget(hint, grid->rowCount(), 0, 1, grid->columnCount());
    }
    return dialog;
}

std::unique_ptr<QFileDialog> MakeFolderDialog(QWidget* parent, const QString& initialFolder)
{
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setDirectory(ExistingFolder(initialFolder));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setOption(QFileDialog::DontUseNativeDialog, !UseSystemFileDialogs());
    dialog->setWindowTitle(kSplitFolderTitle);
    return dialog;
}

std::unique_ptr<QFileDialog> MakeMapDialog(QWidget* parent, const QString& initialFolder)
{
    auto dialog = MakeFileDialog(parent, initialFolder, {MapFileFilter(), kAllFilesFilter});
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setWindowTitle(MapDialogTitle());
    return dialog;
}

std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const QString& text)
{
    return std::make_unique<QMessageBox>(QMessageBox::Critical, kAppTitle, text, QMessageBox::Ok,
                                         parent);
}

std::unique_ptr<QMessageBox> MakeOverwriteBox(QWidget* parent, const QString& question)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, kAppTitle, question,
                                             QMessageBox::Yes | QMessageBox::No, parent);
    box->setDefaultButton(QMessageBox::No);
    return box;
}

std::optional<QString> QtDialogs::AskOpenPath(QWidget* parent, const QString& initialFolder)
{
    return RunFileDialog(*MakeOpenDialog(parent, initialFolder));
}

QStringList QtDialogs::AskPhotoPaths(QWidget* parent, const QString& initialFolder)
{
    const std::unique_ptr<QFileDialog> dialog = MakePhotoDialog(parent, initialFolder);
    return dialog->exec() == QDialog::Accepted ? dialog->selectedFiles() : QStringList();
}

std::optional<SaveChoice> QtDialogs::AskSavePath(QWidget* parent, const QString& initialFolder,
                                                 const QString& proposedName, OutputType type)
{
    const std::unique_ptr<QFileDialog> dialog =
        MakeSaveDialog(parent, initialFolder, proposedName, type);
    const std::optional<QString> path = RunFileDialog(*dialog);
    if (!path)
        return std::nullopt;
    const qsizetype picked = SaveFilters().indexOf(dialog->selectedNameFilter());
    const auto index = static_cast<std::size_t>(std::max<qsizetype>(picked, 0));
    return SaveChoice{*path, kOutputTypes[std::min(index, std::size(kOutputTypes) - 1)]};
}

std::optional<QString> QtDialogs::AskFolder(QWidget* parent, const QString& initialFolder)
{
    return RunFileDialog(*MakeFolderDialog(parent, initialFolder));
}

void QtDialogs::ShowError(QWidget* parent, const QString& text)
{
    MakeErrorBox(parent, text)->exec();
}

void QtDialogs::ShowInformation(QWidget* parent, const QString& text)
{
    QMessageBox(QMessageBox::Information, kAppTitle, text, QMessageBox::Ok, parent).exec();
}

bool QtDialogs::AskOverwrite(QWidget* parent, const QString& question)
{
    return MakeOverwriteBox(parent, question)->exec() == QMessageBox::Yes;
}

bool QtDialogs::AskWeekRepair(QWidget* parent, const QString& question)
{
    QMessageBox box(QMessageBox::Question, kAppTitle, question, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

bool QtDialogs::AskReadAsOther(QWidget* parent, const QString& question,
                               const QString& readAsCaption)
{
    QMessageBox box(QMessageBox::Question, kAppTitle, question, QMessageBox::NoButton, parent);
    QPushButton* readAs = box.addButton(readAsCaption, QMessageBox::AcceptRole);
    box.addButton(kKeepKindCaption, QMessageBox::RejectRole);
    box.setDefaultButton(readAs);
    box.exec();
    return box.clickedButton() == readAs;
}

bool QtDialogs::AskGoOnline(QWidget* parent, const QString& question)
{
    QMessageBox box(QMessageBox::Question, kAppTitle, question, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::AskMapPath(QWidget* parent, const QString& initialFolder)
{
    return RunFileDialog(*MakeMapDialog(parent, initialFolder));
}
