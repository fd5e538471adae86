#pragma once

#include "app/CaptionedTableModel.h"
#include "convert/MovingFigures.h"
#include "convert/Trips.h"

#include <vector>

// The trip list: one row per trip of the loaded log, in time order.
class TripListModel final : public CaptionedTableModel
{
    Q_OBJECT

  public:
    explicit TripListModel(QObject* parent = nullptr);

    // The trips with the moving figures of each (the same count), shown in the rows' tooltips.
    void SetTrips(std::vector<Trip> trips, std::vector<MovingFigures> moving);
    [[nodiscard]] const std::vector<Trip>& Trips() const { return m_trips; }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

  private:
    std::vector<Trip> m_trips;
    std::vector<MovingFigures> m_moving;
};
