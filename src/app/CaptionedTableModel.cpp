#include "app/CaptionedTableModel.h"

#include "app/Platform.h"

#include <QLocale>

CaptionedTableModel::CaptionedTableModel(QStringList captions, QObject* parent)
    : QAbstractTableModel(parent), m_captions(std::move(captions))
{
    const QLocale locale = QLocale::system();
    m_dateSeparator = DateSeparator(locale);
    m_timeSeparator = TimeSeparator(locale);
}

int CaptionedTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_captions.size());
}

QVariant CaptionedTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return m_captions.value(section);
    return section + 1;
}
