#include "tools/assetgen/path.h"

#include <algorithm>

namespace assetgen {

SmoothPath::SmoothPath(std::vector<Vec3> points, int samplesPerSpan)
{
    const size_t n = points.size();
    std::vector<Vec3> p;
    p.push_back(2.0f * points[0] - points[1]);
    p.insert(p.end(), points.begin(), points.end());
    p.push_back(2.0f * points[n - 1] - points[n - 2]);
    for (size_t i = 1; i + 2 < p.size(); ++i)
        for (int k = 0; k < samplesPerSpan; ++k)
            samples.push_back(CatmullRom(p[i - 1], p[i], p[i + 1], p[i + 2],
                                         static_cast<float>(k) / samplesPerSpan));
    samples.push_back(points.back());
    lengths.push_back(0);
    for (size_t i = 1; i < samples.size(); ++i)
        lengths.push_back(lengths.back() + assetgen::Length(samples[i] - samples[i - 1]));
}

Vec3 SmoothPath::At(float s) const
{
    s = std::clamp(s, 0.0f, Length());
    const size_t i = static_cast<size_t>(std::upper_bound(lengths.begin(), lengths.end(), s) - lengths.begin());
    if (i >= lengths.size())
        return samples.back();
    const float span = lengths[i] - lengths[i - 1];
    const float t = span > 0 ? (s - lengths[i - 1]) / span : 0;
    return Lerp(samples[i - 1], samples[i], t);
}

Vec3 SmoothPath::Direction(float s) const
{
    const float h = 2.0f;
    return Normalize(At(s + h) - At(s - h));
}

float EaseInOut(float t, float ease)
{
    t = std::clamp(t, 0.0f, 1.0f);
    // Distance under a trapezoid speed profile, normalised to 1.
    const float total = 1.0f - ease;
    float d;
    if (t < ease)
        d = t * t / (2 * ease);
    else if (t > 1 - ease)
        d = total - (1 - t) * (1 - t) / (2 * ease);
    else
        d = ease / 2 + (t - ease);
    return d / total;
}

}  // namespace assetgen
