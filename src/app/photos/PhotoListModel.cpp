#include "app/photos/PhotoListModel.h"

#include "app/Platform.h"
#include "app/overview/TripColour.h"
#include "app/photos/PhotoText.h"
#include "store/TimeBase.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <unordered_set>

PhotoListModel::PhotoListModel(QObject* parent) : CaptionedTableModel(PhotoColumnCaptions(), parent)
{
}

void PhotoListModel::Add(const std::vector<PhotoInfo>& infos,
                         const std::function<PhotoOutcome(const PhotoInfo&)>& place)
{
    std::unordered_set<std::string> listed;
    for (const PhotoInfo& info : m_infos)
        listed.insert(info.Path);
    std::vector<const PhotoInfo*> fresh;
    for (const PhotoInfo& info : infos)
        if (listed.insert(info.Path).second)
            fresh.push_back(&info);
    if (fresh.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(fresh.size()) - 1);
    for (const PhotoInfo* info : fresh) {
        m_infos.push_back(*info);
        m_outcomes.push_back(place(*info));
        m_trips.emplace_back();
        m_unticked.push_back(false);
        m_thumbnails.emplace_back();
    }
    endInsertRows();
}

void PhotoListModel::PlaceAll(const std::function<PhotoOutcome(const PhotoInfo&)>& place)
{
    for (std::size_t i = 0; i < m_infos.size(); ++i)
        m_outcomes[i] = place(m_infos[i]);
    if (!m_infos.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, kPhotoColumnCount - 1));
}

void PhotoListModel::SetWritten(std::size_t photo, const PhotoOutcome& outcome)
{
    m_outcomes[photo] = outcome;
    // Placed again, it is a photo with a position: left alone unless overwriting is asked for.
    PhotoInfo& info = m_infos[photo];
    if (outcome.Result == GeotagResult::Tagged) {
        info.Tagged = true;
        info.HeldPlace = outcome.Place;
    }
    if (outcome.Result == GeotagResult::Sidecar) {
        info.HasSidecar = info.SidecarTagged = true;
        info.SidecarPlace = outcome.Place;
    }
    const int row = static_cast<int>(photo);
    emit dataChanged(index(row, 0), index(row, kPhotoColumnCount - 1));
}

void PhotoListModel::SetMarks(const std::vector<PhotoMark>& marks)
{
    std::fill(m_trips.begin(), m_trips.end(), std::nullopt);
    for (const PhotoMark& mark : marks)
        m_trips[mark.Photo] = mark.Trip;
    if (!m_infos.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
}

void PhotoListModel::Remove(std::vector<std::size_t> photos)
{
    std::sort(photos.begin(), photos.end());
    photos.erase(std::unique(photos.begin(), photos.end()), photos.end());
    // From the last, so that the rows before keep their numbers.
    for (auto it = photos.rbegin(); it != photos.rend(); ++it) {
        const auto at = static_cast<std::ptrdiff_t>(*it);
        const int row = static_cast<int>(*it);
        beginRemoveRows({}, row, row);
        m_infos.erase(m_infos.begin() + at);
        m_outcomes.erase(m_outcomes.begin() + at);
        m_trips.erase(m_trips.begin() + at);
        m_unticked.erase(m_unticked.begin() + at);
        m_thumbnails.erase(m_thumbnails.begin() + at);
        endRemoveRows();
    }
}

void PhotoListModel::Reread(std::size_t photo, const PhotoInfo& info, const PhotoOutcome& outcome)
{
    m_infos[photo] = info;
    m_outcomes[photo] = outcome;
    m_unticked[photo] = false;
    const int row = static_cast<int>(photo);
    emit dataChanged(index(row, 0), index(row, kPhotoColumnCount - 1));
}

void PhotoListModel::SetThumbnail(const std::string& path, const QByteArray& png)
{
    for (std::size_t i = 0; i < m_infos.size(); ++i)
        if (m_infos[i].Path == path) {
            m_thumbnails[i] = png;
            const QModelIndex name = index(static_cast<int>(i), 0);
            emit dataChanged(name, name, {Qt::ToolTipRole});
        }
}

bool PhotoListModel::Ticked(std::size_t photo) const
{
    return m_outcomes[photo].Result == GeotagResult::WouldTag && !m_unticked[photo];
}

Qt::ItemFlags PhotoListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = CaptionedTableModel::flags(index);
    if (index.isValid() && index.column() == static_cast<int>(PhotoColumn::Name) &&
        m_outcomes[static_cast<std::size_t>(index.row())].Result == GeotagResult::WouldTag)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool PhotoListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::CheckStateRole || !(flags(index) & Qt::ItemIsUserCheckable))
        return false;
    m_unticked[static_cast<std::size_t>(index.row())] =
        value.value<Qt::CheckState>() != Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

int PhotoListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_infos.size());
}

QString PhotoListModel::Text(std::size_t photo, int column) const
{
    const PhotoOutcome& outcome = m_outcomes[photo];
    switch (static_cast<PhotoColumn>(column)) {
    case PhotoColumn::Name:
        return QFileInfo(FromLocalPath(m_infos[photo].Path)).fileName();
    case PhotoColumn::Time:
        return outcome.Moment
                   ? ShortMomentText(outcome.Moment->UtcMs - m_biasMinutes * kMsPerMinute,
                                     DateSep(), TimeSep())
                   : QStringLiteral("-");
    case PhotoColumn::Position:
        return outcome.Place ? PositionText(*outcome.Place) : QStringLiteral("-");
    case PhotoColumn::State:
        return Waiting(outcome) ? kWaitingForLogState : PhotoStateText(outcome);
    }
    return {};
}

bool PhotoListModel::Waiting(const PhotoOutcome& outcome) const
{
    return !m_logLoaded && outcome.Result == GeotagResult::OutsideLog;
}

QString PhotoListModel::ToolTip(std::size_t photo, int column) const
{
    const PhotoOutcome& outcome = m_outcomes[photo];
    switch (static_cast<PhotoColumn>(column)) {
    case PhotoColumn::Name:
        return PhotoNameToolTip(QDir::toNativeSeparators(FromLocalPath(m_infos[photo].Path)),
                                m_thumbnails[photo]);
    case PhotoColumn::Time:
        return outcome.Moment ? MomentText(outcome.Moment->UtcMs - m_biasMinutes * kMsPerMinute,
                                           DateSep(), TimeSep()) +
                                    QLatin1Char('\n') +
                                    CameraTimeToolTip(*outcome.Moment, DateSep(), TimeSep())
                              : QString();
    case PhotoColumn::Position:
        if (!outcome.Place)
            return {};
        return PositionText(*outcome.Place, 6) +
               (outcome.Place->HeightM
                    ? QStringLiteral("\n高度 %1 m").arg(*outcome.Place->HeightM, 0, 'f', 1)
                    : QString());
    case PhotoColumn::State:
        return Waiting(outcome) ? kPhotosWaitForLog : PhotoStateToolTip(outcome);
    }
    return {};
}

QVariant PhotoListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto photo = static_cast<std::size_t>(index.row());
    if (role == Qt::DisplayRole)
        return Text(photo, index.column());
    if (role == Qt::ToolTipRole)
        return ToolTip(photo, index.column());
    if (role == Qt::CheckStateRole && index.column() == static_cast<int>(PhotoColumn::Name))
        return Ticked(photo) ? Qt::Checked : Qt::Unchecked;
    // The swatch of the trip the photo lies in, as its mark is drawn; an empty one keeps the
    // names in line.
    if (role == Qt::DecorationRole && index.column() == static_cast<int>(PhotoColumn::Name))
        return m_trips[photo] ? TripQColor(*m_trips[photo]) : QColor(Qt::transparent);
    return {};
}
