#include "app/photos/PhotoPanel.h"

#include "app/AppSettings.h"
#include "app/BusyCursor.h"
#include "app/Platform.h"
#include "app/overview/MapPanel.h"
#include "app/photos/PhotoListModel.h"
#include "app/photos/PhotoText.h"
#include "app/photos/PhotoThumbnail.h"
#include "geometry/TrackPlane.h"
#include "messages/ClockText.h"
#include "photos/ClockError.h"
#include "photos/PhotoBackup.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <numeric>
#include <unordered_set>

namespace {

// Rows a little taller than the text: eight of them fit at the window's first size.
constexpr int kRowPadding = 3;
constexpr int kCellPadding = 8;
constexpr int kSwatchPixels = 11;
// Up to three years either way: a camera whose date was never set.
constexpr int kMostFieldSeconds = 99'999'999;
// The offsets the world's clocks are set to, in minutes east of UTC: every whole hour from
// UTC-12:00 to UTC+14:00, and the zones (summer times included) between two hours.
constexpr std::int32_t kWestMostZoneMinutes = -12 * 60;
constexpr std::int32_t kEastMostZoneMinutes = 14 * 60;
constexpr std::array<std::int32_t, 13> kBetweenHours{-570, -210, -150, 210, 270, 330, 345,
                                                     390,  525,  570,  630, 765, 825};

// Every offset on offer, west to east, with the window's own among them.
std::vector<std::int32_t> ZoneChoices(std::int32_t windowZone)
{
    std::vector<std::int32_t> zones(kBetweenHours.begin(), kBetweenHours.end());
    for (std::int32_t east = kWestMostZoneMinutes; east <= kEastMostZoneMinutes; east += 60)
        zones.push_back(east);
    zones.push_back(windowZone);
    std::sort(zones.begin(), zones.end());
    zones.erase(std::unique(zones.begin(), zones.end()), zones.end());
    return zones;
}

// The clock error field: whole seconds, typed as seconds or as ±H:MM:SS (ParseClockError),
// shown as seconds.
class ClockErrorBox final : public QSpinBox
{
  public:
    using QSpinBox::QSpinBox;

  protected:
    QValidator::State validate(QString& text, int&) const override
    {
        const QString typed = Typed(text);
        if (const std::optional<std::int64_t> ms = ParseClockError(typed.toStdString()))
            return Seconds(*ms) >= minimum() && Seconds(*ms) <= maximum() ? QValidator::Acceptable
                                                                          : QValidator::Invalid;
        for (const QChar c : typed)
            if (!c.isDigit() && !QStringLiteral("+-:.").contains(c))
                return QValidator::Invalid;
        return QValidator::Intermediate;
    }
    [[nodiscard]] int valueFromText(const QString& text) const override
    {
        const std::optional<std::int64_t> ms = ParseClockError(Typed(text).toStdString());
        return ms ? static_cast<int>(std::clamp<std::int64_t>(Seconds(*ms), minimum(), maximum()))
                  : value();
    }

  private:
    // Rounded to the nearest whole second, halves away from zero.
    static std::int64_t Seconds(std::int64_t ms)
    {
        return (ms + (ms < 0 ? -500 : 500)) / kMsPerSecond;
    }
    [[nodiscard]] QString Typed(QString text) const
    {
        if (text.endsWith(suffix()))
            text.chop(suffix().size());
        return text.trimmed();
    }
};

// The settings key of a photo's camera, "cameras/MAKE MODEL" (a slash would start a group);
// empty for a photo that names none.
// The camera's name as its photos give it: EXIF make and model.
QString CameraName(const PhotoInfo& info)
{
    return (QString::fromStdString(info.Make).trimmed() + QLatin1Char(' ') +
            QString::fromStdString(info.Model).trimmed())
        .trimmed();
}

QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

PhotoPanel::PhotoPanel(const ConversionService& service, QWidget* parent)
    : QWidget(parent), m_service(service)
{
    setObjectName(QStringLiteral("PanelPhotos"));
    m_model = new PhotoListModel(this);
    m_model->SetLog(m_service.Bias(), false);
    CreateSettings();
    CreateList();

    m_write = new QPushButton(QStringLiteral("書込"), this);
    m_write->setObjectName(QStringLiteral("ButtonWrite"));
    m_write->setToolTip(kWriteToolTip);
    m_write->setFixedSize(51, 25);
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("LabelPhotoResult"));
    // One line beside the buttons, cut at the panel's edge: the whole text is its tooltip. A
    // wrapped text would take the photo list's rows in a short window.
    m_result->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_overwrite = new QPushButton(kOverwriteCaption, this);
    m_overwrite->setObjectName(QStringLiteral("ButtonOverwrite"));
    m_overwrite->setToolTip(kOverwriteToolTip);
    m_clear = new QPushButton(kClearListCaption, this);
    m_clear->setObjectName(QStringLiteral("ButtonClearPhotos"));
    m_clear->setToolTip(kClearListToolTip);
    m_undo = new QPushButton(kUndoCaption, this);
    m_undo->setObjectName(QStringLiteral("ButtonUndo"));
    m_undo->setToolTip(kUndoToolTip);
    m_undo->setEnabled(false);
    auto* writeRow = new QHBoxLayout;
    writeRow->addWidget(m_write);
    writeRow->addWidget(m_result, 1);
    writeRow->addWidget(m_undo);
    writeRow->addWidget(m_overwrite);
    writeRow->addWidget(m_clear);
    qobject_cast<QVBoxLayout*>(layout())->addLayout(writeRow);

    connect(m_write, &QPushButton::clicked, this, &PhotoPanel::ButtonWriteClick);
    connect(m_overwrite, &QPushButton::clicked, this, &PhotoPanel::ButtonOverwriteClick);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PhotoPanel::ShowCount);
    connect(m_clockError, &QSpinBox::valueChanged, this, &PhotoPanel::PlaceAll);
    connect(m_zone, &QComboBox::currentIndexChanged, this, &PhotoPanel::PlaceAll);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PhotoPanel::MarksChanged);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PhotoPanel::EnableClockAction);
    connect(m_clockFromPhoto, &QAction::triggered, this, &PhotoPanel::ClockFromPhotoClick);
    connect(m_model, &PhotoListModel::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                if (roles.contains(Qt::CheckStateRole))
                    ShowCount();
            });
    connect(m_undo, &QPushButton::clicked, this, &PhotoPanel::ButtonUndoClick);
    connect(m_clear, &QPushButton::clicked, this, &PhotoPanel::ClearList);
    connect(m_remove, &QAction::triggered, this, &PhotoPanel::RemovePicked);
    connect(m_forgetBackups, &QAction::triggered, this, &PhotoPanel::ForgetBackups);
    // One thumbnail at a time, beside the window's thread.
    m_thumbnailPool = new QThreadPool(this);
    m_thumbnailPool->setMaxThreadCount(1);
    ShowCount();
}

PhotoPanel::~PhotoPanel()
{
    m_thumbnailPool->clear();
    m_thumbnailPool->waitForDone();
    if (m_backup)
        m_backup->Clear();
}

void PhotoPanel::CreateSettings()
{
    m_clockError = new ClockErrorBox(this);
    m_clockError->setObjectName(QStringLiteral("SpinClockError"));
    m_clockError->setRange(-kMostFieldSeconds, kMostFieldSeconds);
    m_clockError->setSuffix(kClockErrorSuffix);
    m_clockError->setAccelerated(true); // held down, the arrows run faster
    m_clockError->setToolTip(kClockErrorToolTip);
    m_clockError->setAlignment(Qt::AlignRight);
    // Figures are typed directly, never through an input method; a drop goes to the window.
    auto* edit = m_clockError->findChild<QLineEdit*>();
    for (QWidget* part : {static_cast<QWidget*>(m_clockError), static_cast<QWidget*>(edit)}) {
        part->setAttribute(Qt::WA_InputMethodEnabled, false);
        part->setInputMethodHints(Qt::ImhFormattedNumbersOnly);
    }
    edit->setAcceptDrops(false);

    m_zone = new QComboBox(this);
    m_zone->setObjectName(QStringLiteral("ComboCameraZone"));
    m_zone->setToolTip(kCameraZoneToolTip);
    // The window's zone first of all: the camera's clock shows the same time as the log's.
    const std::int32_t windowZone = -m_service.Bias();
    for (const std::int32_t east : ZoneChoices(windowZone))
        m_zone->addItem(ZoneChoiceText(east), east);
    m_zone->setCurrentIndex(m_zone->findData(windowZone));

    auto* row = new QHBoxLayout;
    row->addWidget(Caption(kClockErrorCaption, m_clockError, this));
    row->addWidget(m_clockError);
    row->addSpacing(12);
    row->addWidget(Caption(kCameraZoneCaption, m_zone, this));
    row->addWidget(m_zone);
    row->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 2, 4, 2);
    column->setSpacing(4);
    column->addLayout(row);
}

void PhotoPanel::CreateList()
{
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("ListPhotos"));
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setTabKeyNavigation(false);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setAlternatingRowColors(true);
    m_list->setWordWrap(false);
    m_list->setCornerButtonEnabled(false);
    // The trip's swatch smaller than an icon: the columns fit at the window's first size.
    m_list->setIconSize({kSwatchPixels, kSwatchPixels});
    QHeaderView* header = m_list->horizontalHeader();
    header->setHighlightSections(false);
    header->setStretchLastSection(true);
    // The columns keep their widths as the photos move: each as wide as its widest text.
    const QStringList samples = PhotoColumnSamples();
    for (int column = 1; column < kPhotoColumnCount; ++column) {
        const int caption = header->fontMetrics().horizontalAdvance(
            m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        header->resizeSection(
            column, std::max(caption, m_list->fontMetrics().horizontalAdvance(samples[column])) +
                        kCellPadding);
    }
    // A photo's own menu: the clock error from its position.
    m_clockFromPhoto = new QAction(kClockFromPhotoAction, m_list);
    m_clockFromPhoto->setObjectName(QStringLiteral("ActionClockFromPhoto"));
    m_clockFromPhoto->setEnabled(false);
    m_list->addAction(m_clockFromPhoto);
    // Delete takes the picked photos out, from the list's menu too.
    m_remove = new QAction(kRemovePhotosAction, m_list);
    m_remove->setObjectName(QStringLiteral("ActionRemovePhotos"));
    m_remove->setShortcut(QKeySequence::Delete);
    m_remove->setShortcutContext(Qt::WidgetShortcut);
    m_remove->setEnabled(false);
    m_list->addAction(m_remove);
    m_forgetBackups = new QAction(kForgetBackupsAction, m_list);
    m_forgetBackups->setObjectName(QStringLiteral("ActionForgetBackups"));
    m_forgetBackups->setEnabled(false);
    m_list->addAction(m_forgetBackups);
    m_list->setContextMenuPolicy(Qt::ActionsContextMenu);
    // Photos go by their names: no numbers before the rows.
    m_summerTime = new QLabel(this);
    m_summerTime->setObjectName(QStringLiteral("LabelSummerTime"));
    m_summerTime->setWordWrap(true);
    m_summerTime->hide();
    qobject_cast<QVBoxLayout*>(layout())->addWidget(m_summerTime);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + kRowPadding);
    qobject_cast<QVBoxLayout*>(layout())->addWidget(m_list, 1);
}

void PhotoPanel::ShowResult(const QString& text)
{
    m_result->setText(text);
    m_result->setToolTip(text);
}

int PhotoPanel::FittingWidth() const
{
    const QMargins margins = layout()->contentsMargins();
    int width = margins.left() + margins.right() + 2 * m_list->frameWidth() +
                m_list->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < kPhotoColumnCount; ++column)
        width += m_list->columnWidth(column);
    return width;
}

void PhotoPanel::ShowLog(std::shared_ptr<const TrackPlane> plane)
{
    m_plane = std::move(plane);
    PlaceAll();
}

std::vector<PhotoPanel::UnreadFolder> PhotoPanel::AddPhotos(const QStringList& paths)
{
    // Listed once each, by path and by the file a path leads to (./a.jpg, a link, its folder).
    std::unordered_set<std::string> listed;
    DistinctPhotos distinct;
    for (const PhotoInfo& info : m_model->Infos()) {
        listed.insert(info.Path);
        (void)distinct.Add(info.Path);
    }
    std::vector<UnreadFolder> unread;
    std::vector<std::string> found;
    for (const QString& path : paths) {
        if (!QFileInfo(path).isDir())
            found.push_back(ToLocalPath(path));
        else if (const int error = PhotosInFolder(ToLocalPath(path), found))
            unread.emplace_back(path, error);
    }
    std::vector<std::string> photos;
    for (std::string& photo : found)
        if (listed.insert(photo).second && distinct.Add(photo))
            photos.push_back(std::move(photo));
    std::vector<PhotoInfo> infos(photos.size());
    {
        const BusyCursor busy(window());
        ReadPhotoInfos(photos, [&infos](std::size_t i, const PhotoInfo& info) { infos[i] = info; });
    }
    AddPhotoInfos(infos);
    return unread;
}

void PhotoPanel::AddPhotoInfos(const std::vector<PhotoInfo>& infos)
{
    if (m_model->Size() == 0)
        RecallCamera(infos);
    const std::size_t before = m_model->Size();
    const GeotagSettings settings = Settings();
    m_model->Add(infos,
                 [&](const PhotoInfo& info) { return m_service.PlacePhoto(info, settings); });
    m_list->resizeColumnToContents(static_cast<int>(PhotoColumn::Name));
    MakeThumbnails(
        {m_model->Infos().begin() + static_cast<std::ptrdiff_t>(before), m_model->Infos().end()});
    ShowMarks();
    ShowCount();
    ShowSummerTime();
    emit PhotosAdded();
}

void PhotoPanel::MakeThumbnails(const std::vector<PhotoInfo>& infos)
{
    for (const PhotoInfo& info : infos)
        m_thumbnailPool->start([this, path = info.Path] {
            const QByteArray png = PhotoThumbnailPng(FromLocalPath(path));
            // Into its row on the window's thread; dropped with the model.
            QMetaObject::invokeMethod(
                m_model, [this, path, png] { m_model->SetThumbnail(path, png); },
                Qt::QueuedConnection);
        });
}

int PhotoPanel::ThumbnailsPending() const { return m_thumbnailPool->activeThreadCount(); }

void PhotoPanel::RecallCamera(const std::vector<PhotoInfo>& infos)
{
    for (const PhotoInfo& info : infos) {
        const std::optional<CameraMemory> clock = RememberedCameraClock(CameraName(info));
        if (!clock)
            continue;
        const int zone = m_zone->findData(clock->ZoneMin);
        const QSignalBlocker quietClock(m_clockError), quietZone(m_zone);
        m_clockError->setValue(clock->ClockErrorS);
        if (zone >= 0)
            m_zone->setCurrentIndex(zone);
        return;
    }
}

void PhotoPanel::RememberCameras(const std::vector<std::size_t>& rows) const
{
    for (const std::size_t row : rows)
        RememberCameraClock(CameraName(m_model->Infos()[row]),
                            {m_clockError->value(), m_zone->currentData().toInt()});
}

GeotagSettings PhotoPanel::Settings() const
{
    GeotagSettings settings;
    settings.CameraBiasMinutes = -m_zone->currentData().toInt();
    settings.CameraOffsetMs = std::int64_t{m_clockError->value()} * kMsPerSecond;
    settings.SystemZone =
        m_service.UsesSystemZone() && *settings.CameraBiasMinutes == m_service.Bias();
    return settings;
}

std::vector<std::size_t> PhotoPanel::PickedPhotos() const
{
    std::vector<std::size_t> picked;
    for (const QModelIndex& row : m_list->selectionModel()->selectedRows())
        picked.push_back(static_cast<std::size_t>(row.row()));
    std::sort(picked.begin(), picked.end());
    return picked;
}

std::optional<std::size_t> PhotoPanel::CurrentPhoto() const
{
    const std::vector<std::size_t> picked = PickedPhotos();
    if (picked.empty())
        return std::nullopt;
    return picked.front();
}

void PhotoPanel::EnableClockAction()
{
    const std::optional<std::size_t> row = CurrentPhoto();
    m_clockFromPhoto->setEnabled(row && m_model->Infos()[*row].HeldPlace &&
                                 !m_service.LoadedPath().empty());
    m_remove->setEnabled(row.has_value());
}

void PhotoPanel::ClockFromPhotoClick()
{
    const std::optional<std::size_t> row = CurrentPhoto();
    if (!row)
        return;
    const PhotoInfo& info = m_model->Infos()[*row];
    const ClockFromPlace clock = m_service.ClockFromPhoto(info, Settings());
    const QString name = QFileInfo(FromLocalPath(info.Path)).fileName();
    const QString text =
        QString::fromStdString(ClockFromPlaceText(clock, name.toStdString(), Language::Japanese));
    if (clock.Status == ClockFromPlaceStatus::Found) {
        // The field holds whole seconds.
        m_clockError->setValue(static_cast<int>(std::clamp<std::int64_t>(
            (clock.OffsetMs + (clock.OffsetMs < 0 ? -500 : 500)) / kMsPerSecond, -kMostFieldSeconds,
            kMostFieldSeconds)));
    }
    // What was found, above the count of the photos it places.
    ShowResult(text + QLatin1Char('\n') + m_result->text());
}

void PhotoPanel::PlaceAll()
{
    m_model->SetLog(m_service.Bias(), !m_service.LoadedPath().empty());
    const GeotagSettings settings = Settings();
    m_model->PlaceAll([&](const PhotoInfo& info) { return m_service.PlacePhoto(info, settings); });
    ShowMarks();
    ShowCount();
    ShowSummerTime();
    EnableClockAction();
}

void PhotoPanel::ShowSummerTime()
{
    const std::vector<PhotoOutcome>& outcomes = m_model->Outcomes();
    const auto summer = std::find_if(outcomes.begin(), outcomes.end(), [](const PhotoOutcome& o) {
        return o.SummerZoneMinutes.has_value();
    });
    m_summerTime->setVisible(summer != outcomes.end());
    if (summer == outcomes.end())
        return;
    const std::int32_t zone = *summer->SummerZoneMinutes;
    m_summerTime->setText(SummerTimeText(zone));
    if (m_zone->findData(zone) < 0) { // in its place, west to east
        int at = 0;
        while (at < m_zone->count() && m_zone->itemData(at).toInt() < zone)
            ++at;
        const QSignalBlocker quiet(m_zone);
        m_zone->insertItem(at, ZoneChoiceText(zone), zone);
    }
}

void PhotoPanel::ShowMarks()
{
    m_marks.clear();
    if (m_plane)
        m_marks =
            PhotoMarks(*m_plane, m_service.Trips().Trips, m_model->Outcomes(), m_service.Bias());
    m_model->SetMarks(m_marks);
    emit MarksChanged();
}

void PhotoPanel::ShowCount()
{
    const std::vector<PhotoOutcome>& outcomes = m_model->Outcomes();
    std::size_t writable = 0; // the ticked photos that would be written
    for (std::size_t i = 0; i < outcomes.size(); ++i)
        writable += m_model->Ticked(i) ? 1 : 0;
    m_write->setEnabled(writable > 0);
    m_clear->setEnabled(!outcomes.empty());
    const std::vector<std::size_t> picked = PickedPhotos();
    m_overwrite->setEnabled(std::any_of(picked.begin(), picked.end(), [&](std::size_t i) {
        return outcomes[i].Result == GeotagResult::AlreadyTagged;
    }));
    if (outcomes.empty())
        ShowResult(kNoPhotosHint);
    else if (m_service.LoadedPath().empty())
        ShowResult(kPhotosWaitForLog);
    else
        ShowResult(WritableCountText(outcomes.size(), writable));
}

void PhotoPanel::ButtonWriteClick()
{
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < m_model->Size(); ++i)
        if (m_model->Ticked(i))
            rows.push_back(i);
    RememberCameras(rows);
    Write(rows, Settings());
}

void PhotoPanel::ButtonOverwriteClick()
{
    GeotagSettings settings = Settings();
    settings.Overwrite = true;
    std::vector<std::size_t> rows;
    for (const std::size_t i : PickedPhotos())
        if (m_model->Outcomes()[i].Result == GeotagResult::AlreadyTagged &&
            m_service.PlacePhoto(m_model->Infos()[i], settings).Result == GeotagResult::WouldTag)
            rows.push_back(i);
    Write(rows, settings);
}

void PhotoPanel::Write(const std::vector<std::size_t>& rows, const GeotagSettings& settings)
{
    std::vector<std::string> paths;
    paths.reserve(rows.size());
    for (const std::size_t i : rows)
        paths.push_back(m_model->Infos()[i].Path);
    if (paths.empty())
        return;
    // The originals go to a folder of the user's cache (one file system with the photos, as a
    // rule, where they are hard links); a write lets the last one's go.
    if (!m_backupFolder) {
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        QDir().mkpath(cache);
        m_backupFolder = std::make_unique<QTemporaryDir>(cache + QStringLiteral("/undo-XXXXXX"));
        m_backup = std::make_unique<PhotoBackup>(ToLocalPath(m_backupFolder->path()));
    }
    m_backup->Clear();
    GeotagSettings kept = settings;
    kept.Backup = m_backup.get();
    std::size_t written = 0, sidecars = 0, errors = 0;
    {
        const BusyCursor busy(window());
        m_service.TagPhotos(paths, kept, [&](std::size_t i, const PhotoOutcome& outcome) {
            m_model->SetWritten(rows[i], outcome);
            if (outcome.Result == GeotagResult::Tagged || outcome.Result == GeotagResult::Sidecar)
                ++written;
            if (outcome.Result == GeotagResult::Sidecar)
                ++sidecars;
            if (outcome.Result == GeotagResult::Error)
                ++errors;
            // Each row shows its result as it comes.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    }
    ShowMarks();
    ShowCount();
    ShowUndo();
    ShowResult(WrittenPhotosText(written, sidecars, errors));
}

void PhotoPanel::ShowUndo()
{
    const bool kept = m_backup && m_backup->Count() > 0;
    m_undo->setEnabled(kept);
    m_forgetBackups->setEnabled(kept);
}

void PhotoPanel::ButtonUndoClick()
{
    if (!m_backup)
        return;
    std::vector<RestoredFile> results;
    {
        const BusyCursor busy(window());
        results = m_backup->RestoreAll();
    }
    std::unordered_set<std::string> restored;
    std::array<std::size_t, 3> counts{}; // by RestoreResult
    for (const RestoredFile& file : results) {
        ++counts[static_cast<std::size_t>(file.Result)];
        if (file.Result == RestoreResult::Restored)
            restored.insert(file.Path);
    }
    // Read anew: a photo holds its old metadata again, a raw file's sidecar its old position.
    const GeotagSettings settings = Settings();
    for (std::size_t i = 0; i < m_model->Size(); ++i) {
        const std::string& path = m_model->Infos()[i].Path;
        if (restored.count(path) > 0 || restored.count(SidecarPath(path)) > 0) {
            const PhotoInfo info = ReadPhotoInfo(path);
            m_model->Reread(i, info, m_service.PlacePhoto(info, settings));
        }
    }
    ShowMarks();
    ShowCount();
    ShowUndo();
    ShowResult(RestoredPhotosText(counts[static_cast<std::size_t>(RestoreResult::Restored)],
                                  counts[static_cast<std::size_t>(RestoreResult::ChangedSince)],
                                  counts[static_cast<std::size_t>(RestoreResult::Failed)]));
}

void PhotoPanel::ForgetBackups()
{
    if (m_backup)
        m_backup->Clear();
    ShowUndo();
    ShowResult(kBackupsForgotten);
}

void PhotoPanel::RemovePicked()
{
    m_model->Remove(PickedPhotos());
    AfterRemoval();
}

void PhotoPanel::ClearList()
{
    std::vector<std::size_t> every(m_model->Size());
    std::iota(every.begin(), every.end(), std::size_t{0});
    m_model->Remove(std::move(every));
    AfterRemoval();
}

void PhotoPanel::AfterRemoval()
{
    ShowMarks();
    ShowCount();
    ShowSummerTime();
    EnableClockAction();
    emit PhotosRemoved();
}
