#include "geometry/TripColours.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using Matrix = std::array<std::array<double, 3>, 3>;
using Lab = std::array<double, 3>;

double Linear(std::uint8_t channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// CIELAB (D65) of a colour as a reader whose vision the matrix simulates sees it.
Lab SeenAs(const Rgb& colour, const Matrix& vision)
{
    const std::array<double, 3> rgb{Linear(colour.Red), Linear(colour.Green), Linear(colour.Blue)};
    std::array<double, 3> seen{};
    for (std::size_t i = 0; i < 3; ++i)
        seen[i] = std::clamp(vision[i][0] * rgb[0] + vision[i][1] * rgb[1] + vision[i][2] * rgb[2],
                             0.0, 1.0);
    const double x = (0.4124 * seen[0] + 0.3576 * seen[1] + 0.1805 * seen[2]) / 0.95047;
    const double y = 0.2126 * seen[0] + 0.7152 * seen[1] + 0.0722 * seen[2];
    const double z = (0.0193 * seen[0] + 0.1192 * seen[1] + 0.9505 * seen[2]) / 1.08883;
    const auto f = [](double t) {
        return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
    };
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

// Every two trip colours stay apart (CIE76 difference of 15 at least) for readers with normal
// vision and with each full dichromacy (the simulations of Machado, Oliveira and Fernandes).
TEST(TripColours, ReadersWithAnyColourVisionTellThemApart)
{
    const std::array<std::pair<const char*, Matrix>, 4> visions{{
        {"normal", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}},
        {"protanopia",
         {{{0.152286, 1.052583, -0.204868},
           {0.114503, 0.786281, 0.099216},
           {-0.003882, -0.048116, 1.051998}}}},
        {"deuteranopia",
         {{{0.367322, 0.860646, -0.227968},
           {0.280085, 0.672501, 0.047413},
           {-0.011820, 0.042940, 0.968881}}}},
        {"tritanopia",
         {{{1.255528, -0.076749, -0.178779},
           {-0.078411, 0.930809, 0.147602},
           {0.004733, 0.691367, 0.303900}}}},
    }};
    for (const auto& [name, vision] : visions) {
        for (std::size_t a = 0; a < kTripPalette.size(); ++a) {
            for (std::size_t b = a + 1; b < kTripPalette.size(); ++b) {
                const Lab one = SeenAs(kTripPalette[a], vision);
                const Lab two = SeenAs(kTripPalette[b], vision);
                const double difference =
                    std::hypot(one[0] - two[0], one[1] - two[1], one[2] - two[2]);
                EXPECT_GE(difference, 15.0) << name << ": colours " << a << " and " << b;
            }
        }
    }
    // Neighbouring trips never share a colour, the last and the first of a round neither.
    for (std::size_t trip = 0; trip < 3 * kTripPalette.size(); ++trip)
        EXPECT_NE(TripColour(trip), TripColour(trip + 1)) << trip;
}

} // namespace
