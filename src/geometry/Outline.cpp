#include "geometry/Outline.h"

#include "geometry/MapView.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace {

constexpr std::string_view kMagic = "T2NOUTL1";
constexpr double kDegreesPerStep = 1e-4;
// A longitude or latitude step is at most a turn: 3.6e6 steps, well inside 32 bits.
constexpr int kMostVarintBytes = 5;

// Reads the file's varints in order; a read past the end or of an overlong number clears Ok()
// for good.
class VarintReader
{
  public:
    explicit VarintReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    [[nodiscard]] bool Ok() const { return m_ok; }
    [[nodiscard]] std::size_t Left() const { return m_bytes.size() - m_pos; }

    std::uint32_t Next()
    {
        std::uint64_t value = 0;
        for (int i = 0; i < kMostVarintBytes && m_ok; ++i) {
            if (m_pos >= m_bytes.size())
                break;
            const std::uint8_t byte = m_bytes[m_pos++];
            value |= std::uint64_t{byte & 0x7Fu} << (7 * i);
            if ((byte & 0x80u) == 0)
                return value <= UINT32_MAX ? static_cast<std::uint32_t>(value) : Fail();
        }
        return Fail();
    }

    std::int64_t NextSigned()
    {
        const std::uint32_t z = Next();
        return (z & 1u) != 0 ? -static_cast<std::int64_t>(z >> 1) - 1
                             : static_cast<std::int64_t>(z >> 1);
    }

  private:
    std::uint32_t Fail()
    {
        m_ok = false;
        return 0;
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

PlaneBox BoxAround(const PlaneLine& line)
{
    PlaneBox box{line.front().X, line.front().Y, line.front().X, line.front().Y};
    for (const PlanePoint& p : line)
        box = {std::min(box.MinX, p.X), std::min(box.MinY, p.Y), std::max(box.MaxX, p.X),
               std::max(box.MaxY, p.Y)};
    return box;
}

std::optional<OutlineLine> ReadLine(VarintReader& reader)
{
    OutlineLine line;
    const std::uint32_t kind = reader.Next();
    const std::uint32_t count = reader.Next();
    // Each point takes two bytes at least: a count beyond them is a damaged file.
    if (!reader.Ok() || kind > 1 || count == 0 || count > reader.Left() / 2)
        return std::nullopt;
    line.Kind = static_cast<OutlineKind>(kind);
    line.Units.reserve(count);
    std::int64_t lon = 0;
    std::int64_t lat = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        lon += reader.NextSigned();
        lat += reader.NextSigned();
        line.Units.push_back(MercatorUnit(static_cast<double>(lat) * kDegreesPerStep,
                                          static_cast<double>(lon) * kDegreesPerStep));
    }
    if (!reader.Ok())
        return std::nullopt;
    line.Box = BoxAround(line.Units);
    return line;
}

bool Overlaps(const PlaneBox& a, const PlaneBox& b)
{
    return a.MinX <= b.MaxX && b.MinX <= a.MaxX && a.MinY <= b.MaxY && b.MinY <= a.MaxY;
}

} // namespace

std::optional<WorldOutline> ReadOutline(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kMagic.size() ||
        !std::equal(kMagic.begin(), kMagic.end(), bytes.begin(),
                    [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; }))
        return std::nullopt;
    VarintReader reader(bytes.subspan(kMagic.size()));
    const std::uint32_t count = reader.Next();
    if (!reader.Ok() || count > reader.Left() / 4)
        return std::nullopt;
    WorldOutline outline;
    outline.Lines.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::optional<OutlineLine> line = ReadLine(reader);
        if (!line)
            return std::nullopt;
        outline.Lines.push_back(std::move(*line));
    }
    if (reader.Left() != 0) // trailing bytes: not a file this reader wrote
        return std::nullopt;
    return outline;
}

std::vector<LaidOutlineLine> LayOutline(const WorldOutline& outline, const MercatorFrame& frame,
                                        const PlaneTransform& transform, const PlaneBox& picture,
                                        double minPixels)
{
    std::vector<LaidOutlineLine> laid;
    // The picture's box in unit points, and the pixels of a unit along each axis.
    const PlaneBox seen = UnitBoxOf(transform, frame, picture);
    const double pixelsPerUnit = transform.PixelsPerMetre * frame.MetresPerUnit;
    const PlanePoint origin = PixelOfUnit(transform, frame, {0, 0});
    const double minSquared = minPixels * minPixels;
    for (const double shift : std::array{0.0, -1.0, 1.0}) {
        const PlaneBox shifted{seen.MinX - shift, seen.MinY, seen.MaxX - shift, seen.MaxY};
        if (shift != 0 && !Overlaps(shifted, {0, 0, 1, 1}))
            continue;
        for (const OutlineLine& line : outline.Lines) {
            if (!Overlaps(line.Box, shifted))
                continue;
            LaidOutlineLine out{line.Kind, {}};
            for (std::size_t i = 0; i < line.Units.size(); ++i) {
                const PlanePoint p{origin.X + (line.Units[i].X + shift) * pixelsPerUnit,
                                   origin.Y + line.Units[i].Y * pixelsPerUnit};
                const bool end = i + 1 == line.Units.size();
                if (!out.Pixels.empty() && !end) {
                    const double dx = p.X - out.Pixels.back().X;
                    const double dy = p.Y - out.Pixels.back().Y;
                    if (dx * dx + dy * dy < minSquared)
                        continue;
                }
                out.Pixels.push_back(p);
            }
            laid.push_back(std::move(out));
        }
    }
    return laid;
}
