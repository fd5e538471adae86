#include "app/photos/PhotoListModel.h"

#include "app/Platform.h"
#include "app/overview/TripColour.h"
#include "app/photos/PhotoText.h"
#include "store/TimeBase.h"

#include <QDir>
#include <QFileInfo>
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
        return outcome.Moment ? MomentText(outcome.Moment->UtcMs - m_biasMinutes * kMsPerMinute,
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
        return QDir::toNativeSeparators(FromLocalPath(m_infos[photo].Path));
    case PhotoColumn::Time:
        return outcome.Moment ? CameraTimeToolTip(*outcome.Moment, DateSep(), TimeSep())
                              : QString();
    case PhotoColumn::Position:
        return outcome.Place && outcome.Place->HeightM
                   ? QStringLiteral("高度 %1 m").arg(*outcome.Place->HeightM, 0, 'f', 1)
                   : QString();
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
    // The swatch of the trip the photo lies in, as its mark is drawn; an empty one keeps the
    // names in line.
    if (role == Qt::DecorationRole && index.column() == static_cast<int>(PhotoColumn::Name))
        return m_trips[photo] ? TripQColor(*m_trips[photo]) : QColor(Qt::transparent);
    return {};
}
