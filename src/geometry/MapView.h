#pragma once

#include "geometry/TrackPlane.h"
#include "geometry/WebMercator.h"

// A picture of the plane with a map behind it: the scale at a whole zoom level of the map's
// tiles, and the tiles on whole device pixels, so that each tile pixel is one device pixel.

struct MapZoom {
    PlaneView View;
    int Zoom = 0; // in the source's own levels (tiles of `tilePixels`)
};
// The view at the whole zoom level nearest its scale (or the one below, which still shows all
// the view did); its centre stays.
[[nodiscard]] MapZoom SnapToZoom(const PlaneView& view, const MercatorFrame& frame,
                                 double deviceRatio, int tilePixels, ZoomRounding rounding);

// The transform moved by less than a device pixel so that the world's north-west corner, and
// with it every tile's, falls on a whole device pixel.
[[nodiscard]] PlaneTransform AlignToDevicePixels(const PlaneTransform& transform,
                                                 const MercatorFrame& frame, double deviceRatio);

// The picture's pixel of a unit point, and the unit box a picture's box shows.
[[nodiscard]] PlanePoint PixelOfUnit(const PlaneTransform& transform, const MercatorFrame& frame,
                                     const PlanePoint& unit);
[[nodiscard]] PlaneBox UnitBoxOf(const PlaneTransform& transform, const MercatorFrame& frame,
                                 const PlaneBox& pixels);
