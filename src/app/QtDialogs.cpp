#include "app/QtDialogs.h"

#include "app/AppText.h"

#include <QDir>
#include <QFileInfo>

const QString kOpenFilter = QStringLiteral("GPSログファイル (*.bnx4 *.binx *.bin)");
const QString kSaveFilter = QStringLiteral("NMEAファイル (*.nmea)");

namespace {

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

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const QString& initialFolder,
                                            const QString& filter)
{
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setDirectory(ExistingFolder(initialFolder));
    dialog->setNameFilter(filter);
    dialog->setDefaultSuffix(QString());
#if !defined(Q_OS_WIN) && !defined(Q_OS_MACOS)
    // The desktop dialogs of these platforms match patterns case-sensitively and would hide
    // TRACK.BNX4; Qt's own dialog matches names without regard to case.
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
#endif
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
    auto dialog = MakeFileDialog(parent, initialFolder, kOpenFilter);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name need not exist: the load ignores a missing file without a word.
    dialog->setFileMode(QFileDialog::AnyFile);
    return dialog;
}

std::unique_ptr<QFileDialog> MakeSaveDialog(QWidget* parent, const QString& initialFolder)
{
    auto dialog = MakeFileDialog(parent, initialFolder, kSaveFilter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // Replacing the chosen name is confirmed by the dialog itself.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
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

std::optional<QString> QtDialogs::AskSavePath(QWidget* parent, const QString& initialFolder)
{
    return RunFileDialog(*MakeSaveDialog(parent, initialFolder));
}

void QtDialogs::ShowError(QWidget* parent, const QString& text)
{
    MakeErrorBox(parent, text)->exec();
}

bool QtDialogs::AskOverwrite(QWidget* parent, const QString& question)
{
    return MakeOverwriteBox(parent, question)->exec() == QMessageBox::Yes;
}
