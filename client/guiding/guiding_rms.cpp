#include "client/guiding/guiding_rms.h"

#include "client/guiding/guiding_history.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velmora::client {

double GuidingRms::toPixels(double arcsec, double sx, double sy)
{
    const double scale = std::sqrt(std::max(sx, 0.0) * std::max(sy, 0.0));
    return scale > 0.0 ? arcsec / scale : 0.0;
}

GuidingRms computeGuidingRms(std::span<const double> horizontal, std::span<const double> vertical)
{
    GuidingRms rms;
    rms.samples = std::min(horizontal.size(), vertical.size());
    if (rms.samples == 0)
        return rms;
    double hh = 0.0;
    double vv = 0.0;
    for (std::size_t i = 0; i < rms.samples; ++i) {
        const double h = horizontal[i];
        const double v = vertical[i];
        hh += h * h;
        vv += v * v;
        rms.peakHorizontal = std::max(rms.peakHorizontal, std::abs(h));
        rms.peakVertical = std::max(rms.peakVertical, std::abs(v));
        rms.peakTotal = std::max(rms.peakTotal, std::hypot(h, v));
    }
    const double n = static_cast<double>(rms.samples);
    rms.horizontal = std::sqrt(hh / n);
    rms.vertical = std::sqrt(vv / n);
    rms.total = std::sqrt((hh + vv) / n);
    return rms;
}

GuidingRms computeGuidingRms(const GuidingHistory& history)
{
    return computeGuidingRms(history.offsets(0), history.offsets(1));
}

std::string rmsText(const GuidingRms& rms, double value)
{
    if (rms.samples == 0)
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

} // namespace velmora::client
