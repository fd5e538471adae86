#pragma once

#include <QAbstractTableModel>
#include <QStringList>

// A list of the window: fixed column captions, rows numbered from 1 (as the command line numbers
// trips), and the system locale's date and time separators for the cells.
class CaptionedTableModel : public QAbstractTableModel
{
  public:
    CaptionedTableModel(QStringList captions, QObject* parent);

    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

  protected:
    [[nodiscard]] const QString& DateSep() const { return m_dateSeparator; }
    [[nodiscard]] const QString& TimeSep() const { return m_timeSeparator; }

  private:
    QStringList m_captions;
    QString m_dateSeparator;
    QString m_timeSeparator;
};
