#include "geometry/MapView.h"

#include <cmath>

MapZoom SnapToZoom(const PlaneView& view, const MercatorFrame& frame, double deviceRatio,
                   int tilePixels, ZoomRounding rounding)
{
    const int zoom = WholeZoom(frame, view.PixelsPerMetre, deviceRatio, tilePixels, rounding);
    return {{view.Centre, ZoomPixelsPerMetre(frame, zoom, deviceRatio, tilePixels)}, zoom};
}

PlaneTransform AlignToDevicePixels(const PlaneTransform& transform, const MercatorFrame& frame,
                                   double deviceRatio)
{
    const PlanePoint corner = PixelOfUnit(transform, frame, {0, 0});
    PlaneTransform aligned = transform;
    aligned.Origin.X += (std::round(corner.X * deviceRatio) - corner.X * deviceRatio) / deviceRatio;
    aligned.Origin.Y += (std::round(corner.Y * deviceRatio) - corner.Y * deviceRatio) / deviceRatio;
    return aligned;
}

PlanePoint PixelOfUnit(const PlaneTransform& transform, const MercatorFrame& frame,
                       const PlanePoint& unit)
{
    return transform.Map(frame.ToPlane(unit));
}

PlaneBox UnitBoxOf(const PlaneTransform& transform, const MercatorFrame& frame,
                   const PlaneBox& pixels)
{
    const PlanePoint topLeft = frame.ToUnit(transform.Unmap({pixels.MinX, pixels.MinY}));
    const PlanePoint bottomRight = frame.ToUnit(transform.Unmap({pixels.MaxX, pixels.MaxY}));
    return {topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y};
}
