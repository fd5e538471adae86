#pragma once

#include "app/AppSettings.h"
#include "app/Dialogs.h"
#include "convert/ConversionService.h"
#include "store/TimeBase.h"

#include <QWidget>
#include <array>
#include <optional>
#include <string>

class PathPanel;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QSpinBox;
class QToolButton;
class TOverview;
class TimeRangeEdit;

// The one window: the load command and its displays, the twelve date and time controls of the
// export window, and the export command. The handlers call the core and refresh the displays.
class TFormMain : public QWidget
{
    Q_OBJECT

  public:
    TFormMain(ConversionService& service, Dialogs& dialogs, QWidget* parent = nullptr);

    // Sets the time base, presets the twelve controls to now and picks the dialogs' folders.
    // Run once by the constructor, after the controls exist.
    void FormCreate();
    // The load command (also Ctrl+O): asks for a log file and opens it.
    void ButtonOpenClick();
    // Loads a log and shows it: its path, its span, the controls preset to cover it. A file the
    // loading refuses shows an error box and changes nothing. Dates that look 1024 GPS weeks
    // early are asked about once the log is shown. The open dialog, a file dropped on the window
    // and the command line all come here.
    void OpenLog(const QString& path);
    // The export command (also Ctrl+S): asks for a file name and writes the fixes of the chosen
    // window, of the trips picked one by one only when there are such.
    void ButtonOutClick();
    // The split commands: ask for a folder and write one file per trip or per calendar day of
    // the window there, in the output type picked last, as the command line's --split does.
    void SplitExport(SplitMode mode);
    // The photo command: asks for photos and adds them to the photo list, where they are placed
    // on the loaded log's track (or wait for a log).
    void ButtonPhotoClick();
    // Adds photos and the photos of folders to the photo list; folders that cannot be read are
    // named in one error box.
    void AddPhotos(const QStringList& paths);
    // The archive's entries under the load button's arrow: adds the loaded log to the user's
    // archive and shows the import's report, or opens the archive and shows it as a log.
    void AddToArchive();
    void OpenArchive();

    // The dialogs' initial folders: as FormCreate set them, then the folder of the last file
    // chosen in each.
    [[nodiscard]] const QString& OpenFolder() const { return m_openFolder; }
    [[nodiscard]] const QString& SaveFolder() const { return m_saveFolder; }
    [[nodiscard]] const QString& PhotoFolder() const { return m_photoFolder; }

  protected:
    // The window's place and size are kept for the next run.
    void closeEvent(QCloseEvent* event) override;
    // The path panels grow with the window.
    void resizeEvent(QResizeEvent* event) override;
    // Local files and folders dragged onto the window: a log (by its extension) is opened like
    // one chosen in the dialog, photos and folders are added to the photo list; a single other
    // file is added when it is a photo and opened as a log when it is not.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CreateControls();
    // The overview of the loaded log below the controls, tied to the twelve controls.
    void CreateOverview();
    void CreateShortcuts();
    void CreateExportButtons();
    // The first place and size: the last run's, else the design's size clamped to the screen.
    void PlaceWindow();
    // The recent logs under the load button's arrow, then the archive's entries.
    void FillRecentMenu();
    void AddArchiveEntries(QMenu* menu);
    // The trips picked one by one, beside 出力範囲.
    void ShowChosenTrips();
    // Sets a dialog's folder and keeps it for the next run.
    void KeepFolder(FolderRole role, const QString& folder);
    // Sets both sides of the time window to the present second.
    void PresetNow();
    // Loads a log under a busy cursor and shows it; false when the loading refused the file,
    // which an error box then says.
    bool LoadAndShow(const QString& path, const LoadOptions& options);
    void OfferWeekRepair(const QString& path);
    void ShowSpan(const std::optional<LogSpan>& span);
    // Asks for a file name, proposing the log's or (for a trip, from 0) the one a split by trips
    // gives it, and writes the window.
    void Export(std::optional<std::size_t> trip);
    [[nodiscard]] QString ProposedName(std::optional<std::size_t> trip) const;
    // The type the chosen name asks for (TypeOfExtension), remembered for the next export.
    [[nodiscard]] OutputType ChosenType(const SaveChoice& chosen) const;
    // The request of the twelve fields' window and the trips picked one by one; nothing, with
    // the error box shown, when there is nothing to write or a field is not a date.
    [[nodiscard]] std::optional<ExportRequest> WindowRequest(const ExportFormat& format);
    // How many fixes the request would take if the fields could reach before 1980 and after
    // 2099 on the sides where they stand at their limit.
    [[nodiscard]] std::size_t BeyondTheFields(const ExportRequest& request) const;
    [[nodiscard]] QString FormatTime(double dayCount) const;
    void ShowErrorBox(std::string_view message);

    ConversionService& m_service;
    Dialogs& m_dialogs;
    QString m_openFolder;
    QString m_saveFolder;
    QString m_photoFolder;
    QString m_archivePath; // the user's archive (DefaultArchivePath), fixed at start
    QString m_dateSeparator;
    QString m_timeSeparator;

    QGroupBox* GroupBox1 = nullptr;
    QPushButton* ButtonOpen = nullptr;
    PathPanel* PanelSrcFn = nullptr;
    QLabel* LabelSta = nullptr;
    QLabel* LabelEnd = nullptr;
    QPushButton* ButtonPhoto = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    TimeRangeEdit* m_range = nullptr; // the twelve date and time controls
    QPushButton* ButtonOut = nullptr;
    QToolButton* ButtonRecent = nullptr;
    QLabel* LabelChosen = nullptr;
    QPushButton* ButtonSplitTrip = nullptr;
    QPushButton* ButtonSplitDay = nullptr;
    PathPanel* PanelDstFn = nullptr;
    TOverview* m_overview = nullptr;
};
