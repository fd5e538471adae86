#pragma once

#include "app/CaptionedTableModel.h"
#include "convert/Trips.h"

#include <vector>

// The trip list: one row per trip of the loaded log, in time order.
class TripListModel final : public CaptionedTableModel
{
    Q_OBJECT

  public:
    explicit TripListModel(QObject* parent = nullptr);

    void SetTrips(std::vector<Trip> trips);
    [[nodiscard]] const std::vector<Trip>& Trips() const { return m_trips; }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

  private:
    std::vector<Trip> m_trips;
};
