#include "geometry/Outline.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Writes the outline's format from its description: the magic, then LEB128 varints.
class OutlineBytes
{
  public:
    OutlineBytes() { m_bytes.assign({'T', '2', 'N', 'O', 'U', 'T', 'L', '1'}); }
    void Varint(std::uint64_t v)
    {
        do {
            const auto low = static_cast<std::uint8_t>(v & 0x7F);
            v >>= 7;
            m_bytes.push_back(v != 0 ? static_cast<std::uint8_t>(low | 0x80) : low);
        } while (v != 0);
    }
    void Signed(std::int64_t v) { Varint(v >= 0 ? 2 * static_cast<std::uint64_t>(v) : -2 * v - 1); }
    // A line of (longitude, latitude) in 1e-4 degrees.
    void Line(int kind, const std::vector<std::pair<std::int64_t, std::int64_t>>& points)
    {
        Varint(static_cast<std::uint64_t>(kind));
        Varint(points.size());
        std::pair<std::int64_t, std::int64_t> last{0, 0};
        for (const auto& p : points) {
            Signed(p.first - last.first);
            Signed(p.second - last.second);
            last = p;
        }
    }
    std::vector<std::uint8_t> m_bytes;
};

OutlineBytes TwoLines()
{
    OutlineBytes out;
    out.Varint(2);
    out.Line(0, {{1'398'000, 356'000}, {1'399'000, 355'000}, {-1'800'000, -850'000}});
    out.Line(1, {{0, 0}, {100, -100}});
    return out;
}

TEST(Outline, ReadsLinesOfItsFormat)
{
    const std::optional<WorldOutline> outline = ReadOutline(TwoLines().m_bytes);
    ASSERT_TRUE(outline);
    ASSERT_EQ(outline->Lines.size(), 2u);
    const OutlineLine& coast = outline->Lines[0];
    EXPECT_EQ(coast.Kind, OutlineKind::Coast);
    ASSERT_EQ(coast.Units.size(), 3u);
    const LatLon second = MercatorLatLon(coast.Units[1]);
    EXPECT_NEAR(second.LatDeg, 35.5, 1e-9);
    EXPECT_NEAR(second.LonDeg, 139.9, 1e-9);
    EXPECT_NEAR(coast.Units[2].X, 0, 1e-12);
    EXPECT_DOUBLE_EQ(coast.Box.MinX, coast.Units[2].X);
    EXPECT_DOUBLE_EQ(coast.Box.MaxY, coast.Units[2].Y);
    EXPECT_EQ(outline->Lines[1].Kind, OutlineKind::Border);
    EXPECT_NEAR(MercatorLatLon(outline->Lines[1].Units[1]).LatDeg, -0.01, 1e-9);
}

TEST(Outline, RefusesDamagedFiles)
{
    const std::vector<std::uint8_t> good = TwoLines().m_bytes;
    // Every shorter file ends early.
    for (std::size_t size = 0; size < good.size(); ++size)
        EXPECT_FALSE(ReadOutline(std::span(good).first(size))) << size;
    std::vector<std::uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_FALSE(ReadOutline(longer));
    std::vector<std::uint8_t> magic = good;
    magic[7] = '2';
    EXPECT_FALSE(ReadOutline(magic));

    OutlineBytes badKind;
    badKind.Varint(1);
    badKind.Line(7, {{0, 0}});
    OutlineBytes hugeCount;
    hugeCount.Varint(1);
    hugeCount.Varint(0);
    hugeCount.Varint(0xFFFFFFFFu);
    OutlineBytes overlong; // a varint of six bytes
    overlong.Varint(1);
    overlong.m_bytes.insert(overlong.m_bytes.end(), {0x80, 0x80, 0x80, 0x80, 0x80, 0x01});
    OutlineBytes emptyLine;
    emptyLine.Varint(1);
    emptyLine.Line(0, {});
    for (const OutlineBytes* bad : {&badKind, &hugeCount, &overlong, &emptyLine})
        EXPECT_FALSE(ReadOutline(bad->m_bytes));
}

TEST(Outline, LaysOnlyWhatThePictureShows)
{
    const std::optional<WorldOutline> outline = ReadOutline(TwoLines().m_bytes);
    ASSERT_TRUE(outline);
    // A picture of 200 px around 35.55° N 139.85° E at about 100 m a pixel.
    const MercatorFrame frame = FrameAt(35.55, 139.85, 6371008.8);
    const PlaneTransform transform{0.01, {100, 100}};
    const PlaneBox picture{0, 0, 200, 200};
    const std::vector<LaidOutlineLine> laid = LayOutline(*outline, frame, transform, picture, 0);
    ASSERT_EQ(laid.size(), 1u); // the coast; the border at 0° 0° is far away
    const PlanePoint first = transform.Map(frame.ToPlane(outline->Lines[0].Units[0]));
    EXPECT_NEAR(laid[0].Pixels[0].X, first.X, 1e-6);
    EXPECT_NEAR(laid[0].Pixels[0].Y, first.Y, 1e-6);
    // 0.05° west and north of the middle: 4.52 km and 5.56 km, at 100 m a pixel.
    EXPECT_NEAR(laid[0].Pixels[0].X, 100 - 45.2, 0.5);
    EXPECT_NEAR(laid[0].Pixels[0].Y, 100 - 55.6, 0.5);
    // Thinned: points nearer than the given pixels fall out, the ends stay.
    const std::vector<LaidOutlineLine> thin = LayOutline(*outline, frame, transform, picture, 1e9);
    ASSERT_EQ(thin.size(), 1u);
    EXPECT_EQ(thin[0].Pixels.size(), 2u);
}

TEST(Outline, TheBuiltInOutlineHoldsTheWorldsCoastsAndBorders)
{
    std::ifstream file(T2N_OUTLINE_FILE, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    const std::optional<WorldOutline> outline = ReadOutline(bytes);
    ASSERT_TRUE(outline);
    EXPECT_LT(bytes.size(), 600'000u);
    // Places on a coast and on a land border, each with a point of its kind within 0.05°.
    struct Place {
        double LatDeg;
        double LonDeg;
        OutlineKind Kind;
    };
    const Place places[] = {{35.7075, 140.8694, OutlineKind::Coast}, // Inubōzaki
                            {-34.357, 18.474, OutlineKind::Coast},   // Cape of Good Hope
                            {52.35, 14.55, OutlineKind::Border},     // the Oder
                            {42.47, 1.45, OutlineKind::Border}};     // Andorra
    for (const Place& place : places) {
        SCOPED_TRACE(place.LatDeg);
        double nearestDeg = 1e9;
        for (const OutlineLine& line : outline->Lines)
            if (line.Kind == place.Kind)
                for (const PlanePoint& unit : line.Units) {
                    const LatLon at = MercatorLatLon(unit);
                    nearestDeg = std::min(
                        nearestDeg, std::hypot(at.LatDeg - place.LatDeg, at.LonDeg - place.LonDeg));
                }
        EXPECT_LT(nearestDeg, 0.05);
    }
}

} // namespace
