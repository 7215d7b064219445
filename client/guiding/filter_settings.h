#pragma once
// The history filters of the guiding run: "Median Filter" and "Linear Filter" with
// their window lengths, always odd, 3…25 (section "Guiding").

namespace velmora::client {

class SettingsStore;

struct FilterSettings {
    static constexpr int kMinWindow = 3;
    static constexpr int kMaxWindow = 25;

    bool useMedian = false;
    int medianNumber = 3;
    bool useLinear = false;
    int linearNumber = 3;

    // Into 3…25, then n → (n / 2)·2 + 1, so an even entry is raised by one.
    static int oddWindow(int n);
    FilterSettings normalised() const;

    void load(const SettingsStore& store);
    void save(SettingsStore& store) const;

    friend bool operator==(const FilterSettings&, const FilterSettings&) = default;
};

} // namespace velmora::client
