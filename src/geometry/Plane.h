#pragma once

#include <cmath>
#include <vector>

// Plain geometry of the overview's pictures, with no toolkit beneath it: a point and a box in
// one plane (metres east and north of a reference, or a picture's pixels).

struct PlanePoint {
    double X = 0;
    double Y = 0;

    friend bool operator==(const PlanePoint&, const PlanePoint&) = default;
};

[[nodiscard]] inline bool IsFinite(const PlanePoint& p)
{
    return std::isfinite(p.X) && std::isfinite(p.Y);
}

// The points [MinX, MaxX] x [MinY, MaxY]. In pixels MinY is the top, in metres the south.
struct PlaneBox {
    double MinX = 0;
    double MinY = 0;
    double MaxX = 0;
    double MaxY = 0;

    [[nodiscard]] double Width() const { return MaxX - MinX; }
    [[nodiscard]] double Height() const { return MaxY - MinY; }
    [[nodiscard]] PlanePoint Centre() const { return {(MinX + MaxX) / 2, (MinY + MaxY) / 2}; }
    [[nodiscard]] bool Contains(const PlanePoint& p) const
    {
        return p.X >= MinX && p.X <= MaxX && p.Y >= MinY && p.Y <= MaxY;
    }
};

// A line through points in order.
using PlaneLine = std::vector<PlanePoint>;
