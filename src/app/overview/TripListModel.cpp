#include "app/overview/TripListModel.h"

#include "app/Platform.h"
#include "app/overview/OverviewText.h"
#include "app/overview/TripColour.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace {

// A trip's swatch: its colour in a white frame, the same in a selected row, where the selection's
// colour would otherwise swallow a blue swatch.
QIcon Swatch(std::size_t trip)
{
    constexpr int kSide = 16;
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.fillRect(1, 1, kSide - 2, kSide - 2, TripQColor(trip));
    painter.end();
    QIcon icon;
    icon.addPixmap(pixmap, QIcon::Normal);
    icon.addPixmap(pixmap, QIcon::Selected);
    return icon;
}

} // namespace

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
        return Swatch(static_cast<std::size_t>(index.row()));
    if (role == Qt::TextAlignmentRole) {
        const bool figure = column == TripColumn::Duration || column == TripColumn::DistanceKm ||
                            column == TripColumn::Fixes || column == TripColumn::MaxSpeedKmh;
        return QVariant::fromValue(Qt::AlignVCenter | (figure ? Qt::AlignRight : Qt::AlignLeft));
    }
    return {};
}
