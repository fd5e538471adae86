#include "app/WindowPlace.h"

#include <algorithm>

WindowPlace FirstWindowPlace(const QSize& minimum, const QSize& wanted, const QRect& available)
{
    if (available.isEmpty())
        return {minimum, QRect(QPoint(0, 0), wanted)};
    const QSize room(std::max(available.width() - 2 * kFrameSide, 1),
                     std::max(available.height() - kFrameTop - kFrameSide, 1));
    const QSize size = wanted.boundedTo(room);
    // Centred in the room; the frame's top then starts inside the available area.
    const QPoint topLeft(available.left() + kFrameSide + (room.width() - size.width()) / 2,
                         available.top() + kFrameTop + (room.height() - size.height()) / 2);
    return {minimum.boundedTo(room), QRect(topLeft, size)};
}
