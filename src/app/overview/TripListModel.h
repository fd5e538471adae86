#pragma once

#include "convert/Trips.h"

#include <QAbstractTableModel>
#include <vector>

// The trip list: one row per trip of the loaded log, in time order.
class TripListModel final : public QAbstractTableModel
{
    Q_OBJECT

  public:
    explicit TripListModel(QObject* parent = nullptr);

    void SetTrips(std::vector<Trip> trips);
    [[nodiscard]] const std::vector<Trip>& Trips() const { return m_trips; }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

  private:
    std::vector<Trip> m_trips;
    QStringList m_captions;
    QString m_dateSeparator;
    QString m_timeSeparator;
};
