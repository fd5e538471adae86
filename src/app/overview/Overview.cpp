#include "app/overview/Overview.h"

#include "app/AppText.h"
#include "app/Platform.h"
#include "app/TimeRangeEdit.h"
#include "app/overview/MapPanel.h"
#include "app/overview/MapPanelText.h"
#include "app/overview/OverviewText.h"
#include "app/overview/ProfileView.h"
#include "app/overview/TimelineView.h"
#include "app/overview/TrackView.h"
#include "app/overview/TripListModel.h"
#include "app/photos/PhotoListModel.h"
#include "app/photos/PhotoPanel.h"
#include "app/photos/PhotoText.h"
#include "geometry/TrackPlane.h"
#include "messages/NoteText.h"
#include "photos/PhotoTime.h"

#include <QBuffer>
#include <QFileInfo>
#include <QHeaderView>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kRowPadding = 6;
// The narrowest track picture beside the photo list.
constexpr int kLeastPictureWidth = 120;
// The side of a photo's thumbnail in its tooltip on the map.
constexpr int kThumbnailPixels = 160;

} // namespace

TOverview::TOverview(const ConversionService& service, TimeRangeEdit& range, Dialogs& dialogs,
                     QWidget* parent)
    : QWidget(parent), m_service(service), m_range(range), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("Overview"));
    CreateParts();
    connect(&m_range, &TimeRangeEdit::WindowEdited, this, &TOverview::FollowRange);
    ShowRangeWindow(false);
}

void TOverview::CreateParts()
{
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("LabelSummary"));
    m_summary->setMinimumHeight(m_summary->fontMetrics().height());
    // A long summary wraps rather than being cut at the window's edge.
    m_summary->setWordWrap(true);
    m_summary->setText(kNothingLoadedHint);
    CreateList();
    m_track = new TrackView(this);
    m_map = new MapPanel(*m_track, m_dialogs, RealMapSources(), this);
    m_timeline = new TimelineView(this);
    m_profile = new ProfileView(*m_timeline, this);
    CreatePhotos();
    // The map's controls above the picture.
    auto* picture = new QWidget(this);
    m_pictureLayout = new QVBoxLayout(picture);
    m_pictureLayout->setContentsMargins(0, 0, 0, 0);
    m_pictureLayout->setSpacing(4);
    m_pictureLayout->addWidget(m_map);
    m_pictureLayout->addWidget(m_track, 1);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("SplitterOverview"));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(m_tabs);
    m_splitter->addWidget(picture);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1); // the picture takes every extra pixel

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(4);
    m_layout->addWidget(m_summary);
    m_layout->addWidget(m_splitter, 1);
    m_layout->addWidget(m_timeline);
    m_layout->addWidget(m_profile);

    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TOverview::TripsSelected);
    connect(m_list, &QTableView::doubleClicked, this, &TOverview::TripDoubleClicked);
    connect(m_timeline, &TimelineView::WindowDragged, this, &TOverview::TimelineDragged);
    connect(m_timeline, &TimelineView::TripClicked, this, &TOverview::SelectTrip);
    connect(m_track, &TrackView::TripClicked, this, &TOverview::SelectTrip);
    // A double click on a trip's bar or line exports it, as in the list.
    const auto exportTrip = [this](std::size_t trip) {
        TripDoubleClicked(m_model->index(static_cast<int>(trip), 0));
    };
    connect(m_timeline, &TimelineView::TripDoubleClicked, this, exportTrip);
    connect(m_track, &TrackView::TripDoubleClicked, this, exportTrip);
    connect(m_track, &TrackView::PhotoToolTip, this, &TOverview::ShowPhotoTip);
    connect(m_track, &TrackView::TripToolTip, this, [this](std::size_t trip, const QPoint& at) {
        QToolTip::showText(at, m_timeline->TripToolTip(trip), m_track);
    });
    connect(m_track, &TrackView::PhotoClicked, this, &TOverview::PickPhoto);
    connect(m_track, &TrackView::PhotoDropped, this, &TOverview::SlidePhoto);
    connect(m_profile, &ProfileView::HoverChanged, m_track, &TrackView::SetProfileMark);
    FitListWidth();
}

void TOverview::CreateList()
{
    m_model = new TripListModel(this);
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("ListTrips"));
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Shift extends the selection to a run of neighbouring trips, Ctrl adds or removes one.
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Tab leaves the list for the next part of the window; the arrow keys move within it.
    m_list->setTabKeyNavigation(false);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setAlternatingRowColors(true);
    m_list->setWordWrap(false);
    m_list->setCornerButtonEnabled(false);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list->horizontalHeader()->setHighlightSections(false);
    m_list->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + kRowPadding);
    m_list->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // Room for trip numbers of three digits before the header widens.
    m_list->verticalHeader()->setMinimumWidth(
        m_list->fontMetrics().horizontalAdvance(QStringLiteral("000")) + kRowPadding);
    m_list->installEventFilter(this);
}

bool TOverview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_list || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<const QKeyEvent*>(event);
    const int trips = m_model->rowCount(QModelIndex());
    const Qt::KeyboardModifiers held = key->modifiers() & ~Qt::KeypadModifier;
    if (trips > 0 && held == Qt::ControlModifier &&
        (key->key() == Qt::Key_Home || key->key() == Qt::Key_End)) {
        // The table itself only moves its current row on these, picking nothing.
        SelectTrip(static_cast<std::size_t>(key->key() == Qt::Key_Home ? 0 : trips - 1),
                   Qt::NoModifier);
        return true;
    }
    if (held == Qt::NoModifier && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        m_list->currentIndex().isValid()) {
        TripDoubleClicked(m_list->currentIndex());
        return true;
    }
    return false;
}

// The trip list and the photo list share the left of the picture, on two tabs without a frame.
void TOverview::CreatePhotos()
{
    m_photos = new PhotoPanel(m_service, this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TabsOverview"));
    m_tabs->tabBar()->setObjectName(QStringLiteral("TabBarOverview"));
    m_tabs->setDocumentMode(true);
    // Tab reaches the tabs once, in their place: the widget around them is no stand-in for them.
    m_tabs->setFocusProxy(nullptr);
    m_tabs->setFocusPolicy(Qt::NoFocus);
    m_tabs->tabBar()->setFocusPolicy(Qt::TabFocus);
    m_tabs->addTab(m_list, QStringLiteral("トリップ"));
    m_tabs->addTab(m_photos, PhotoTabText(0));
    const auto showMarks = [this] {
        m_track->SetPhotoMarks(m_photos->Marks(), m_photos->CurrentPhoto());
    };
    connect(m_photos, &PhotoPanel::MarksChanged, this, showMarks);
    connect(m_photos, &PhotoPanel::PhotosAdded, this, [this] {
        m_tabs->setTabText(m_tabs->indexOf(m_photos), PhotoTabText(m_photos->Model().Size()));
        m_tabs->setCurrentWidget(m_photos);
    });
    connect(m_photos, &PhotoPanel::PhotosRemoved, this, [this] {
        m_tabs->setTabText(m_tabs->indexOf(m_photos), PhotoTabText(m_photos->Model().Size()));
    });
    connect(m_tabs, &QTabWidget::currentChanged, this, &TOverview::PlaceBands);
    connect(m_tabs, &QTabWidget::currentChanged, this, &TOverview::FitListWidth);
}

// Every column as wide as its widest text, and the list as wide as its columns: the track
// picture beside it takes the rest.
int TOverview::ListWidth() const
{
    int width = 2 * m_list->frameWidth() + m_list->verticalScrollBar()->sizeHint().width() +
                std::max(m_list->verticalHeader()->sizeHint().width(),
                         m_list->verticalHeader()->minimumWidth());
    for (int column = 0; column < kTripColumnCount; ++column)
        width += m_list->columnWidth(column);
    // The photo list takes the width that shows its columns whole: the picture keeps the rest,
    // at least kLeastPictureWidth (the window's first size).
    if (m_tabs->currentWidget() == m_photos) {
        const QList<int> sizes = m_splitter->sizes();
        width = std::max(width, std::min(m_photos->FittingWidth(),
                                         sizes.value(0) + sizes.value(1) - kLeastPictureWidth));
    }
    return width;
}

void TOverview::FitListWidth()
{
    m_list->resizeColumnsToContents();
    const int width = ListWidth();
    const QList<int> sizes = m_splitter->sizes();
    const int total = std::max(sizes.value(0) + sizes.value(1),
                               width + m_splitter->widget(1)->minimumSizeHint().width());
    m_splitter->setSizes({width, total - width});
}

void TOverview::PlaceBands()
{
    QVBoxLayout* target = m_tabs->currentWidget() == m_photos ? m_pictureLayout : m_layout;
    if (target->indexOf(m_timeline) >= 0)
        return;
    for (QVBoxLayout* layout : {m_layout, m_pictureLayout}) {
        layout->removeWidget(m_timeline);
        layout->removeWidget(m_profile);
    }
    target->addWidget(m_timeline);
    target->addWidget(m_profile);
}

void TOverview::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_tabs->currentWidget() == m_photos && m_splitter->sizes().value(0) < ListWidth())
        FitListWidth();
}

void TOverview::ShowLog()
{
    const TripAnalysis& analysis = m_service.Trips();
    m_path = std::make_shared<const TrackPlane>(m_service.Fixes(), analysis);
    m_chosen.clear();
    m_picked.clear();
    std::vector<MovingFigures> moving = m_service.TripMoving();
    m_summary->setToolTip(MovingText(AddMoving(moving)));
    m_model->SetTrips(analysis.Trips, std::move(moving));

    const LoadResult& load = m_service.LastLoad();
    const std::optional<SectorDropCounts> dropped =
        load.Kind == LogKind::Sector ? std::optional(load.Dropped) : std::nullopt;
    QStringList notes;
    if (load.Resembles != LogKind::None)
        notes << QString::fromStdString(LooksLikeText(load.Resembles, Language::Japanese));
    if (const std::optional<LogSpan> span = m_service.Span(); span && span->First > span->Last) {
        const QLocale locale = QLocale::system();
        notes << WrappedNote(analysis.FirstMs, DateSeparator(locale), TimeSeparator(locale));
    }
    if (m_service.LoadedWith().AddedWeeks != 0)
        notes << RepairedWeeksNote(m_service.LoadedWith().AddedWeeks);
    if (m_service.FixesInSummerTime())
        notes << QString::fromStdString(StandardTimeNote(m_service.Bias(), Language::Japanese));
    m_summary->setText(SummaryText(analysis.FixCount, analysis.Trips.size(), analysis.DistanceM,
                                   dropped, load.Layout, notes));

    // The profile's positions are the track's: both in the analysis's time order.
    m_profile->SetSeries(
        std::make_shared<const ProfileSeries>(m_service.Fixes(), analysis, load.Dropped.Records));
    m_timeline->SetLog(analysis.FirstMs, analysis.LastMs, analysis.Trips);
    m_track->SetPath(m_path);
    m_photos->ShowLog(m_path);
    FitListWidth();
    ShowRangeWindow(false);
}

void TOverview::FollowRange()
{
    // The window is no longer the selected trips' own.
    m_chosen.clear();
    m_picked.clear();
    m_list->clearSelection();
    ShowRangeWindow(false);
}

void TOverview::ShowRangeWindow(bool fit)
{
    m_window = m_range.Window();
    std::vector<MsWindow> picked;
    if (m_window)
        picked = m_chosen.empty() ? std::vector<MsWindow>{*m_window} : m_chosen;
    m_track->SetPicked(picked, fit);
    m_timeline->SetPicked(std::move(picked));
    emit PickChanged();
}

void TOverview::PickWindow(const MsWindow& window, bool fit)
{
    m_range.SetWindow(window);
    ShowRangeWindow(fit);
}

void TOverview::TripsSelected()
{
    if (m_selecting)
        return;
    QModelIndexList rows = m_list->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    const std::vector<Trip>& trips = m_model->Trips();
    const auto windowOf = [&trips](const QModelIndex& row) {
        return TripWindow(trips[static_cast<std::size_t>(row.row())]);
    };
    // Trips picked one by one: their fixes only, as the command line's --trip 1,3 takes them.
    m_chosen.clear();
    m_picked.clear();
    for (const QModelIndex& row : rows)
        m_picked.push_back(static_cast<std::size_t>(row.row()));
    if (rows.back().row() - rows.front().row() + 1 != rows.size())
        for (const QModelIndex& row : rows)
            m_chosen.push_back(windowOf(row));
    PickWindow({windowOf(rows.front()).Start, windowOf(rows.back()).End}, true);
}

void TOverview::SelectTrip(std::size_t trip, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex index = m_model->index(static_cast<int>(trip), 0);
    QItemSelectionModel* selection = m_list->selectionModel();
    const QModelIndex current = selection->currentIndex();
    m_selecting = true;
    if (modifiers & Qt::ControlModifier)
        selection->select(index, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
    else if ((modifiers & Qt::ShiftModifier) && current.isValid())
        selection->select(QItemSelection(m_model->index(current.row(), 0), index),
                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        selection->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    m_selecting = false;
    m_list->scrollTo(index);
    if (selection->hasSelection())
        TripsSelected();
    else
        FollowRange(); // the last picked trip taken away
}

void TOverview::TripDoubleClicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    SelectTrip(static_cast<std::size_t>(index.row()), Qt::NoModifier);
    emit ExportRequested(static_cast<std::size_t>(index.row()));
}

void TOverview::TimelineDragged(MsWindow window)
{
    m_chosen.clear();
    m_picked.clear();
    m_list->clearSelection();
    PickWindow(window, false);
}

void TOverview::ShowPhotoTip(std::size_t photo, const QPoint& globalPos)
{
    const PhotoListModel& model = m_photos->Model();
    if (photo >= model.Size() || !model.Outcomes()[photo].Moment)
        return;
    const QString path = QString::fromStdString(model.Infos()[photo].Path);
    // A small copy of the photo, read at its size straight from the file.
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid())
        reader.setScaledSize(size.scaled(kThumbnailPixels, kThumbnailPixels, Qt::KeepAspectRatio));
    QByteArray png;
    if (const QImage thumbnail = reader.read(); !thumbnail.isNull()) {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        thumbnail.save(&buffer, "PNG");
    }
    QToolTip::showText(
        globalPos,
        PhotoTipText(QFileInfo(path).fileName(), model.Outcomes()[photo].Moment->TakenMs, png),
        m_track);
}

void TOverview::PickPhoto(std::size_t photo)
{
    m_tabs->setCurrentWidget(m_photos);
    m_photos->List()->selectRow(static_cast<int>(photo));
}

void TOverview::SlidePhoto(std::size_t photo, std::int64_t localMs)
{
    const PhotoListModel& model = m_photos->Model();
    if (photo >= model.Size() || !model.Outcomes()[photo].Moment)
        return;
    const std::int64_t utcMs = localMs + std::int64_t{m_service.Bias()} * kMsPerMinute;
    const std::int64_t seconds = ClockErrorSecondsFor(*model.Outcomes()[photo].Moment,
                                                      m_photos->Settings().CameraOffsetMs, utcMs);
    // The field places every photo again, as if typed.
    if (auto* clockError = m_photos->findChild<QSpinBox*>(QStringLiteral("SpinClockError")))
        clockError->setValue(static_cast<int>(
            std::clamp<std::int64_t>(seconds, clockError->minimum(), clockError->maximum())));
    PickPhoto(photo);
}
