#pragma once

#include <QRect>
#include <QSize>

// Where the main window first opens: its client area (without the frame the system draws) and
// the least size it may be made. Both fit the screen's available area at any scale, with room
// for the frame and its title bar, so that the title bar stays in reach.
struct WindowPlace {
    QSize Minimum;
    QRect Client;
};

// The frame's room around the client area, in the screen's logical pixels: a title bar above,
// thin borders on the other sides (what common window managers draw, a little more).
inline constexpr int kFrameTop = 32;
inline constexpr int kFrameSide = 4;

// The wanted size clamped to the available area, centred in it; the minimum size no larger.
[[nodiscard]] WindowPlace FirstWindowPlace(const QSize& minimum, const QSize& wanted,
                                           const QRect& available);
