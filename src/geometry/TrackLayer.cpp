#include "geometry/TrackLayer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

namespace {

// The segment's part inside the box (Liang and Barsky); nothing when none is. An end inside the
// box is given back exactly.
std::optional<std::pair<PlanePoint, PlanePoint>>
ClipSegment(const PlanePoint& a, const PlanePoint& b, const PlaneBox& box)
{
    const double dx = b.X - a.X;
    const double dy = b.Y - a.Y;
    const std::array<std::pair<double, double>, 4> edges{
        {{-dx, a.X - box.MinX}, {dx, box.MaxX - a.X}, {-dy, a.Y - box.MinY}, {dy, box.MaxY - a.Y}}};
    double enter = 0;
    double leave = 1;
    for (const auto& [p, q] : edges) {
        if (p == 0) {
            if (q < 0)
                return std::nullopt;
            continue;
        }
        const double r = q / p;
        if (p < 0)
            enter = std::max(enter, r);
        else
            leave = std::min(leave, r);
        if (enter > leave)
            return std::nullopt;
    }
    const auto at = [&](double t) { return PlanePoint{a.X + t * dx, a.Y + t * dy}; };
    return std::pair{enter == 0 ? a : at(enter), leave == 1 ? b : at(leave)};
}

// The picture's cells and what reached each: a drawn segment or dot, the end of a drawn jump.
class CellGrid
{
  public:
    static constexpr std::uint8_t kLine = 1;
    static constexpr std::uint8_t kJumpEnd = 2;

    CellGrid(const PlaneBox& clip, double cellPixels)
        : m_clip(clip), m_cell(cellPixels), m_columns(Cells(clip.Width(), cellPixels)),
          m_rows(Cells(clip.Height(), cellPixels)), m_marks(m_columns * m_rows, 0)
    {
    }

    // The cell of a pixel inside the picture; nothing outside it.
    [[nodiscard]] std::optional<std::size_t> CellOf(const PlanePoint& p) const
    {
        if (!m_clip.Contains(p))
            return std::nullopt;
        return CellAt(p);
    }
    // The cell of a pixel on the picture's edge or inside it.
    [[nodiscard]] std::size_t CellAt(const PlanePoint& p) const
    {
        const auto index = [this](double offset, std::size_t cells) {
            return std::min(static_cast<std::size_t>(std::max(0.0, offset / m_cell)), cells - 1);
        };
        return index(p.Y - m_clip.MinY, m_rows) * m_columns + index(p.X - m_clip.MinX, m_columns);
    }
    // Marks a cell; true when it was not marked so before.
    bool Mark(std::size_t cell, std::uint8_t what)
    {
        const bool fresh = (m_marks[cell] & what) == 0;
        m_marks[cell] |= what;
        return fresh;
    }
    // Marks the cells along a segment inside the picture, a sample a cell apart; true when one
    // was not marked before.
    bool MarkSegment(const PlanePoint& a, const PlanePoint& b)
    {
        const double steps = std::ceil(std::max(std::abs(b.X - a.X), std::abs(b.Y - a.Y)) / m_cell);
        const auto count = static_cast<std::size_t>(steps);
        bool fresh = false;
        for (std::size_t i = 0; i <= count; ++i) {
            const double t = count == 0 ? 0.0 : static_cast<double>(i) / steps;
            if (Mark(CellAt({a.X + (b.X - a.X) * t, a.Y + (b.Y - a.Y) * t}), kLine))
                fresh = true;
        }
        return fresh;
    }

  private:
    static std::size_t Cells(double pixels, double cell)
    {
        return static_cast<std::size_t>(std::max(1.0, std::ceil(pixels / cell)));
    }

    PlaneBox m_clip;
    double m_cell;
    std::size_t m_columns;
    std::size_t m_rows;
    std::vector<std::uint8_t> m_marks;
};

// Walks the ranges' fixes in time order and lays out what is drawn.
class LayerBuilder
{
  public:
    LayerBuilder(const TrackPlane& plane, const PlaneTransform& transform, const PlaneBox& clip,
                 double cellPixels)
        : m_plane(plane), m_transform(transform), m_clip(clip), m_grid(clip, cellPixels)
    {
    }

    void Lay(const TripRange& range);
    TrackLayer Take() { return std::move(m_layer); }

  private:
    [[nodiscard]] PlanePoint PixelOf(std::size_t position) const
    {
        return m_transform.Map(m_plane.Point(position));
    }
    void Start(std::size_t position);
    void Step(std::size_t position);
    void AddJump(std::size_t from, std::size_t to);
    void AddDot(const PlanePoint& at, bool excursion);
    void Flush();
    void Close();

    const TrackPlane& m_plane;
    PlaneTransform m_transform;
    PlaneBox m_clip;
    CellGrid m_grid;
    TrackLayer m_layer;
    std::size_t m_trip = 0;
    bool m_runOpen = false;
    PlanePoint m_runStart; // the first pixel of a run between jumps
    bool m_moved = false;  // the run left its first cell
    PlanePoint m_last;     // the pixel the run has reached
    std::optional<std::size_t> m_lastCell;
    PlaneLine m_open; // the line being drawn
};

void LayerBuilder::Lay(const TripRange& range)
{
    m_trip = range.Trip;
    std::optional<std::size_t> previous; // the run's last fix; an excursion's are not
    for (std::size_t i = range.Begin; i < range.End; ++i) {
        if (!IsFinite(m_plane.Point(i)))
            continue;
        switch (m_plane.Step(i)) {
        case TrackStep::Excursion: // out and straight back: a dot, and the line goes on past it
            AddDot(PixelOf(i), true);
            continue;
        case TrackStep::Jump:
            if (previous)
                AddJump(*previous, i);
            previous.reset();
            break;
        case TrackStep::Path:
        case TrackStep::None:
            break;
        }
        if (previous)
            Step(i);
        else
            Start(i);
        previous = i;
    }
    if (m_runOpen)
        Close();
}

void LayerBuilder::Start(std::size_t position)
{
    if (m_runOpen)
        Close();
    m_runOpen = true;
    m_last = PixelOf(position);
    m_lastCell = m_grid.CellOf(m_last);
    m_runStart = m_last;
    m_moved = false;
}

void LayerBuilder::Step(std::size_t position)
{
    const PlanePoint p = PixelOf(position);
    const std::optional<std::size_t> cell = m_grid.CellOf(p);
    if (cell && cell == m_lastCell)
        return; // still in the cell it reached: nothing to draw
    m_moved = true;
    const auto clipped = ClipSegment(m_last, p, m_clip);
    if (clipped && m_grid.MarkSegment(clipped->first, clipped->second)) {
        if (m_open.empty() || !(m_open.back() == clipped->first)) {
            Flush();
            m_open.push_back(clipped->first);
        }
        m_open.push_back(clipped->second);
    } else {
        Flush(); // every cell it crosses is drawn already, or it lies outside
    }
    m_last = p;
    m_lastCell = cell;
}

void LayerBuilder::AddJump(std::size_t from, std::size_t to)
{
    const auto clipped = ClipSegment(PixelOf(from), PixelOf(to), m_clip);
    if (!clipped)
        return;
    // Both ends are marked: a jump between two cells joined before is not drawn again.
    const bool freshStart = m_grid.Mark(m_grid.CellAt(clipped->first), CellGrid::kJumpEnd);
    const bool freshEnd = m_grid.Mark(m_grid.CellAt(clipped->second), CellGrid::kJumpEnd);
    if (freshStart || freshEnd)
        m_layer.Jumps.push_back({m_trip, clipped->first, clipped->second});
}

void LayerBuilder::AddDot(const PlanePoint& at, bool excursion)
{
    if (const std::optional<std::size_t> cell = m_grid.CellOf(at);
        cell && m_grid.Mark(*cell, CellGrid::kLine))
        m_layer.Dots.push_back({m_trip, at, excursion});
}

void LayerBuilder::Flush()
{
    if (m_open.size() >= 2)
        m_layer.Lines.push_back({m_trip, std::move(m_open)});
    m_open = {};
}

void LayerBuilder::Close()
{
    Flush();
    if (!m_moved) // every fix of the run in one cell
        AddDot(m_runStart, false);
    m_runOpen = false;
}

double SquaredDistanceToSegment(const PlanePoint& p, const PlanePoint& a, const PlanePoint& b)
{
    const double dx = b.X - a.X;
    const double dy = b.Y - a.Y;
    const double length2 = dx * dx + dy * dy;
    const double t =
        length2 > 0 ? std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length2, 0.0, 1.0) : 0.0;
    const double ex = a.X + t * dx - p.X;
    const double ey = a.Y + t * dy - p.Y;
    return ex * ex + ey * ey;
}

} // namespace

std::vector<TripRange> WholeTrips(const TrackPlane& plane)
{
    std::vector<TripRange> ranges;
    ranges.reserve(plane.Trips().size());
    for (std::size_t trip = 0; trip < plane.Trips().size(); ++trip)
        ranges.push_back({trip, plane.Trips()[trip].first, plane.Trips()[trip].second});
    return ranges;
}

std::vector<TripRange> TripRangesIn(const TrackPlane& plane, std::span<const MsWindow> windows)
{
    const auto& trips = plane.Trips();
    std::vector<TripRange> ranges;
    for (const MsWindow& window : windows) {
        const std::pair<std::size_t, std::size_t> positions = plane.PositionsIn(window);
        const std::size_t first = positions.first;
        const std::size_t last = positions.second;
        auto trip = std::partition_point(trips.begin(), trips.end(),
                                         [first](const auto& t) { return t.second <= first; });
        for (; trip != trips.end() && trip->first < last; ++trip) {
            const std::size_t begin = std::max(trip->first, first);
            const std::size_t end = std::min(trip->second, last);
            if (begin < end)
                ranges.push_back({static_cast<std::size_t>(trip - trips.begin()), begin, end});
        }
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const TripRange& a, const TripRange& b) { return a.Begin < b.Begin; });
    return ranges;
}

std::size_t TrackLayer::PointCount() const
{
    std::size_t count = Dots.size() + 2 * Jumps.size();
    for (const Line& line : Lines)
        count += line.Points.size();
    return count;
}

std::size_t TrackLayer::SegmentCount() const
{
    std::size_t count = Jumps.size();
    for (const Line& line : Lines)
        count += line.Points.size() - 1;
    return count;
}

TrackLayer LayTrack(const TrackPlane& plane, const PlaneTransform& transform, const PlaneBox& clip,
                    double cellPixels, std::span<const TripRange> ranges)
{
    LayerBuilder builder(plane, transform, clip, cellPixels);
    for (const TripRange& range : ranges)
        builder.Lay(range);
    return builder.Take();
}

std::optional<std::size_t> TripNear(const TrackLayer& layer, const PlanePoint& pixel,
                                    double slackPixels)
{
    std::optional<std::size_t> nearest;
    double best = slackPixels * slackPixels;
    const auto consider = [&](std::size_t trip, double distance2) {
        if (distance2 <= best) {
            best = distance2;
            nearest = trip;
        }
    };
    for (const TrackLayer::Line& line : layer.Lines)
        for (std::size_t i = 1; i < line.Points.size(); ++i)
            consider(line.Trip,
                     SquaredDistanceToSegment(pixel, line.Points[i - 1], line.Points[i]));
    for (const TrackLayer::Dot& dot : layer.Dots)
        consider(dot.Trip, SquaredDistanceToSegment(pixel, dot.At, dot.At));
    return nearest;
}
