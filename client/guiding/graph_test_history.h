#pragma once
// A guiding history for the graph tests: times and both axes' graph series, newest
// first, held in vectors.

#include "client/guiding/graph_series.h"

#include <vector>

namespace velmora::client {

struct GraphTestHistory {
    std::vector<double> times;
    std::vector<double> h;
    std::vector<double> v;

    void add(double t, double hValue, double vValue)
    {
        times.push_back(t);
        h.push_back(hValue);
        v.push_back(vValue);
    }
    GraphSeries series() const { return {times, {h, v}}; }
};

} // namespace velmora::client
