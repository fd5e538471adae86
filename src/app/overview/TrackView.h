#pragma once

#include "geometry/TrackPlane.h"

#include <QPixmap>
#include <QWidget>
#include <memory>
#include <optional>

// The track picture: the log's fixes as lines on a local plane, north up, the part inside the
// time window strong and the rest faint, the start and end marked, with a scale bar in km. The
// lines between trips are not drawn.
class TrackView final : public QWidget
{
    Q_OBJECT

  public:
    explicit TrackView(QWidget* parent = nullptr);

    void SetPath(std::shared_ptr<const TrackPlane> path);
    void SetWindow(const std::optional<MsWindow>& window);
    [[nodiscard]] const std::optional<MsWindow>& Window() const { return m_window; }

    struct ScaleBarPlace {
        QString Text;
        QRectF Bar;
        QRectF TextRect;
    };
    // Where the scale bar and its caption go at the current size (nothing drawn without fixes).
    [[nodiscard]] const ScaleBarPlace& ScaleBar();
    // How many points the faint lines have at the current size.
    [[nodiscard]] std::size_t LinePointCount();

    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // The transform, the decimated lines, the faint layer and the scale bar: once per path and
    // per size.
    void Prepare();
    void PlaceScaleBar(const QRectF& plot);
    void PaintFaintLayer();
    void PaintStrong(QPainter& painter) const;
    void PaintMarkers(QPainter& painter) const;
    void PaintScaleBar(QPainter& painter) const;
    void PaintLegend(QPainter& painter) const;

    std::shared_ptr<const TrackPlane> m_path;
    std::optional<MsWindow> m_window;
    bool m_stale = true;
    qreal m_preparedRatio = 0;
    PlaneTransform m_transform;
    DecimatedTrack m_lines;
    QPixmap m_faint;
    ScaleBarPlace m_scaleBar;
};
