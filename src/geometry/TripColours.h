#pragma once

// The trip palette's home is export/, where the KML writer colours its tracks with it too.
#include "export/TripColours.h"
