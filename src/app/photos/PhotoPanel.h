#pragma once

#include "convert/ConversionService.h"
#include "geometry/PhotoMarks.h"

#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class PhotoBackup;
class PhotoListModel;
class QAction;
class QTemporaryDir;
class QThreadPool;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;
class TrackPlane;

// Photos placed on the loaded log's track: the camera's clock error and zone, the list of the
// photos with where each lies or why it does not, and the write button. Each photo is read once
// when it is added; a change of the clock error or the zone places every photo again at once,
// so the user can move the marks until a photo of a known place lies where it was taken.
class PhotoPanel final : public QWidget
{
    Q_OBJECT

  public:
    explicit PhotoPanel(const ConversionService& service, QWidget* parent = nullptr);
    // The thumbnails being made are waited for; the originals kept for undoing are removed.
    ~PhotoPanel() override;
    PhotoPanel(const PhotoPanel&) = delete;
    PhotoPanel& operator=(const PhotoPanel&) = delete;

    // The loaded log's plane, whose trips the service's analysis gives: every photo is placed
    // on it anew.
    void ShowLog(std::shared_ptr<const TrackPlane> plane);
    // A folder whose photos could not be listed, and the errno value.
    using UnreadFolder = std::pair<QString, int>;
    // Adds the photos and the photos of the folders (not of their sub-folders) that are not
    // listed yet: each is read once, under a busy cursor, and placed.
    [[nodiscard]] std::vector<UnreadFolder> AddPhotos(const QStringList& paths);
    // Adds photos read already.
    void AddPhotoInfos(const std::vector<PhotoInfo>& infos);
    // The write command: writes the position into every ticked photo that would be written, as
    // the service's TagPhotos does, under a busy cursor; each photo's result goes into its row,
    // and the count of photos written beside the button. The originals of the photos (and
    // sidecars) it replaces are kept for undoing, those of the write before let go.
    void ButtonWriteClick();
    // The undo command: every photo the last write replaced gets its original back (PhotoBackup),
    // is read anew and placed again; one changed since is left alone and counted.
    void ButtonUndoClick();
    // Lets the originals kept for undoing go.
    void ForgetBackups();
    // Takes the picked photos, or every photo, out of the list (the files stay as they are).
    void RemovePicked();
    void ClearList();
    // How many thumbnails are still being made.
    [[nodiscard]] int ThumbnailsPending() const;
    // The overwrite command: writes the log's position into the picked photos that hold one of
    // their own and that the log places, as a run with overwriting does.
    void ButtonOverwriteClick();

    // The settings of the fields.
    [[nodiscard]] GeotagSettings Settings() const;
    [[nodiscard]] const PhotoListModel& Model() const { return *m_model; }
    // The placed photos' marks, in the photos' order.
    [[nodiscard]] const std::vector<PhotoMark>& Marks() const { return m_marks; }
    // The photo picked in the list (the first, when several are).
    [[nodiscard]] std::optional<std::size_t> CurrentPhoto() const;
    // Every photo picked, in the list's order.
    [[nodiscard]] std::vector<std::size_t> PickedPhotos() const;
    [[nodiscard]] QTableView* List() const { return m_list; }
    // Sets the clock error from the picked photo, which holds its true position: its time minus
    // when the track passed closest to it (ClockFromPhoto); says why not beside the button when
    // there is none.
    void ClockFromPhotoClick();
    // The width that shows every column of the list whole.
    [[nodiscard]] int FittingWidth() const;

  signals:
    // The marks moved, or another photo was picked.
    void MarksChanged();
    // Photos came into the list.
    void PhotosAdded();
    // Photos left the list.
    void PhotosRemoved();

  private:
    void CreateSettings();
    void CreateList();
    // Places every photo with the fields' settings and shows where.
    void PlaceAll();
    void ShowMarks();
    void ShowCount();
    // The result of the last step beside the write button.
    void ShowResult(const QString& text);
    // The summer-time line and the zone it names among the choices.
    void ShowSummerTime();
    // Writes the photos of these rows with the settings; each row shows its result.
    void Write(const std::vector<std::size_t>& rows, const GeotagSettings& settings);
    // The clock action is offered for a picked photo with a position, once a log is loaded.
    void EnableClockAction();
    // The undo button is offered while originals are kept.
    void ShowUndo();
    // After rows left the list.
    void AfterRemoval();
    // Makes the thumbnails of these photos on the pool's thread, each into its row when done.
    void MakeThumbnails(const std::vector<PhotoInfo>& infos);
    // The clock error and zone last written with the camera of the first photo that has one
    // remembered; and these settings remembered for the cameras of these rows.
    void RecallCamera(const std::vector<PhotoInfo>& infos);
    void RememberCameras(const std::vector<std::size_t>& rows) const;

    const ConversionService& m_service;
    std::shared_ptr<const TrackPlane> m_plane;
    std::vector<PhotoMark> m_marks;
    PhotoListModel* m_model = nullptr;
    QSpinBox* m_clockError = nullptr;
    QComboBox* m_zone = nullptr;
    QTableView* m_list = nullptr;
    QAction* m_clockFromPhoto = nullptr;
    QPushButton* m_write = nullptr;
    QPushButton* m_overwrite = nullptr;
    QLabel* m_result = nullptr;
    QLabel* m_summerTime = nullptr;
    QPushButton* m_undo = nullptr;
    QPushButton* m_clear = nullptr;
    QAction* m_remove = nullptr;
    QAction* m_forgetBackups = nullptr;
    QThreadPool* m_thumbnailPool = nullptr;
    // The originals of the last write, in a folder of the user's cache removed with the panel.
    std::unique_ptr<QTemporaryDir> m_backupFolder;
    std::unique_ptr<PhotoBackup> m_backup;
};
