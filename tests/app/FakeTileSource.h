#pragma once

#include "map/TileSource.h"

#include <QColor>
#include <QImage>
#include <QTimer>
#include <set>
#include <vector>

// A tile source for the window's tests: each tile one colour, Ready at once or only after it
// "arrives" (a zero timer, as a fetch would end), every wish recorded. No network.
class FakeTileSource final : public TileSource
{
  public:
    explicit FakeTileSource(int tilePixels = 256, bool arriveLater = false,
                            QObject* parent = nullptr)
        : TileSource(parent), m_tilePixels(tilePixels), m_arriveLater(arriveLater)
    {
    }

    [[nodiscard]] QString Name() const override { return QStringLiteral("Fake"); }
    [[nodiscard]] QString Attribution() const override { return QStringLiteral("© Fake"); }
    [[nodiscard]] int MinZoom() const override { return 0; }
    [[nodiscard]] int MaxZoom() const override { return 19; }
    [[nodiscard]] int TilePixels() const override { return m_tilePixels; }
    void SetWanted(const std::vector<TileKey>& keys) override { Wanted.push_back(keys); }
    [[nodiscard]] TileImage Tile(const TileKey& key) override
    {
        Asked.push_back(key);
        if (Missing)
            return {TileImage::State::Missing, {}, false};
        if (m_arriveLater && !m_arrived.contains(key)) {
            QTimer::singleShot(0, this, [this, key] {
                m_arrived.insert(key);
                emit TileArrived(key);
            });
            return {TileImage::State::Pending, {}, false};
        }
        QImage image(m_tilePixels, m_tilePixels, QImage::Format_RGB32);
        image.fill(kColour);
        return {TileImage::State::Ready, image, false};
    }

    static constexpr QRgb kColour = 0xFFFF00FF;
    std::vector<std::vector<TileKey>> Wanted;
    std::vector<TileKey> Asked;
    bool Missing = false;

  private:
    int m_tilePixels;
    bool m_arriveLater;
    std::set<TileKey> m_arrived;
};
