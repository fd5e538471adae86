#include "app/PathPanel.h"

#include <QFontMetrics>
#include <algorithm>

namespace {

// Between the path and its tail.
const QString kTailGap = QStringLiteral("  ");

} // namespace

PathPanel::PathPanel(QWidget* parent, const char* name, const QRect& geometry) : QLabel(parent)
{
    setObjectName(QString::fromLatin1(name));
    setFrameShape(QFrame::NoFrame);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTextFormat(Qt::PlainText);
    setGeometry(geometry);
}

void PathPanel::SetPath(const QString& path, const QString& tail)
{
    m_path = path;
    m_tail = tail;
    setToolTip(path);
    Fit();
}

QSize PathPanel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

void PathPanel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    Fit();
}

void PathPanel::Fit()
{
    const QString tail = m_tail.isEmpty() ? QString() : kTailGap + m_tail;
    const QFontMetrics metrics = fontMetrics();
    const int room = contentsRect().width() - metrics.horizontalAdvance(tail);
    setText(metrics.elidedText(m_path, Qt::ElideMiddle, std::max(0, room)) + tail);
}
