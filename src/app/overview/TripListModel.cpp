#include "app/overview/TripListModel.h"

#include "app/Platform.h"
#include "app/overview/OverviewText.h"
#include "app/overview/TripColour.h"

TripListModel::TripListModel(QObject* parent) : CaptionedTableModel(TripColumnCaptions(), parent) {}

void TripListModel::SetTrips(std::vector<Trip> trips, std::vector<MovingFigures> moving)
{
    beginResetModel();
    moving.resize(trips.size());
    m_trips = std::move(trips);
    m_moving = std::move(moving);
    endResetModel();
}

int TripListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_trips.size());
}

QVariant TripListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto column = static_cast<TripColumn>(index.column());
    if (role == Qt::DisplayRole)
        return TripCellText(m_trips[static_cast<std::size_t>(index.row())], column, DateSep(),
                            TimeSep());
    if (role == Qt::ToolTipRole)
        return MovingText(m_moving[static_cast<std::size_t>(index.row())]);
    // The row's swatch in the trip's colour, as in the track picture and on the timeline.
    if (role == Qt::DecorationRole && column == TripColumn::Date)
        return TripQColor(static_cast<std::size_t>(index.row()));
    if (role == Qt::TextAlignmentRole) {
        const bool figure = column == TripColumn::Duration || column == TripColumn::DistanceKm ||
                            column == TripColumn::Fixes || column == TripColumn::MaxSpeedKmh;
        return QVariant::fromValue(Qt::AlignVCenter | (figure ? Qt::AlignRight : Qt::AlignLeft));
    }
    return {};
}
