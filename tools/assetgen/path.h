// Smooth paths through control points, sampled by distance travelled.
#pragma once

#include <vector>

#include "tools/assetgen/geom.h"

namespace assetgen {

// A Catmull-Rom curve through `points` (open; the ends are extended straight),
// measured so that points can be asked for by arc length.
class SmoothPath {
public:
    explicit SmoothPath(std::vector<Vec3> points, int samplesPerSpan = 64);
    float Length() const { return lengths.back(); }
    // The point at arc length `s`, clamped to the path.
    Vec3 At(float s) const;
    // Unit direction of travel at arc length `s`.
    Vec3 Direction(float s) const;

private:
    std::vector<Vec3> samples;
    std::vector<float> lengths;
};

// Smooth start and stop: 0..1 mapped onto 0..1 with zero speed at both ends
// over the first and last `ease` fraction, constant speed between.
float EaseInOut(float t, float ease);

}  // namespace assetgen
