#include "client/image/histogram_levels.h"

#include "client/shell/settings_store.h"

#include <algorithm>
#include <cstdio>

namespace velmora::client {

namespace {

std::string planeValueName(const char* stem, int planeCount, int plane)
{
    char name[64];
    std::snprintf(name, sizeof name, "%s %d-%d", stem, planeCount, plane);
    return name;
}

std::uint16_t toLevel(int value)
{
    return static_cast<std::uint16_t>(std::clamp(value, 0, 65535));
}

} // namespace

HistogramLevels::HistogramLevels(int planeCount)
{
    resize(planeCount);
}

void HistogramLevels::resize(int planeCount)
{
    m_planes.resize(static_cast<std::size_t>(std::max(planeCount, 0)));
    m_plane = std::clamp(m_plane, 0, std::max(this->planeCount() - 1, 0));
}

void HistogramLevels::load(const SettingsStore& store, const std::string& section)
{
    m_apply = store.readInt(section, "Apply Histogram", 0) != 0;
    m_auto = store.readInt(section, "Auto Histogram", 0) != 0;
    const int count = planeCount();
    for (int p = 0; p < count; ++p) {
        Plane& plane = m_planes[static_cast<std::size_t>(p)];
        plane.manual.black = toLevel(store.readInt(section, planeValueName("Min Color", count, p), 0));
        plane.manual.white = toLevel(store.readInt(section, planeValueName("Max Color", count, p), 65535));
        plane.manual.white = std::max(plane.manual.white, plane.manual.black);
        plane.minLevel =
            std::clamp(store.readInt(section, planeValueName("Min Level", count, p), 0), 0, kMaxPerMille);
        plane.maxLevel = std::clamp(store.readInt(section, planeValueName("Max Level", count, p), 0), 0,
                                    kMaxPerMille - plane.minLevel);
    }
}

void HistogramLevels::save(SettingsStore& store, const std::string& section) const
{
    store.writeInt(section, "Apply Histogram", m_apply ? 1 : 0);
    store.writeInt(section, "Auto Histogram", m_auto ? 1 : 0);
    const int count = planeCount();
    for (int p = 0; p < count; ++p) {
        const Plane& plane = m_planes[static_cast<std::size_t>(p)];
        store.writeInt(section, planeValueName("Min Color", count, p), plane.manual.black);
        store.writeInt(section, planeValueName("Max Color", count, p), plane.manual.white);
        store.writeInt(section, planeValueName("Min Level", count, p), plane.minLevel);
        store.writeInt(section, planeValueName("Max Level", count, p), plane.maxLevel);
    }
}

const HistogramLevels::Plane& HistogramLevels::planeAt(int plane) const
{
    static const Plane none;
    if (plane < 0 || plane >= planeCount())
        return none;
    return m_planes[static_cast<std::size_t>(plane)];
}

void HistogramLevels::selectPlane(int plane)
{
    if (plane >= 0 && plane < planeCount())
        m_plane = plane;
}

template <typename Fn> void HistogramLevels::forTargetPlanes(bool synchronised, Fn&& fn)
{
    if (m_planes.empty())
        return;
    if (!synchronised) {
        fn(m_planes[static_cast<std::size_t>(m_plane)]);
        return;
    }
    for (Plane& plane : m_planes)
        fn(plane);
}

void HistogramLevels::applyManual(int minimum, int maximum)
{
    const LevelPair levels{toLevel(minimum), toLevel(maximum)};
    forTargetPlanes(m_syncManual, [&](Plane& plane) { plane.manual = levels; });
}

void HistogramLevels::applyFractions(int minimum, int maximum)
{
    forTargetPlanes(m_syncAuto, [&](Plane& plane) {
        plane.minLevel = minimum;
        plane.maxLevel = maximum;
    });
}

void HistogramLevels::setMinColour(int value)
{
    const int minimum = toLevel(value);
    applyManual(minimum, std::max<int>(planeAt(m_plane).manual.white, minimum));
}

void HistogramLevels::setMaxColour(int value)
{
    const int maximum = toLevel(value);
    applyManual(std::min<int>(planeAt(m_plane).manual.black, maximum), maximum);
}

void HistogramLevels::setMinLevel(int perMille)
{
    const int minimum = std::clamp(perMille, 0, kMaxPerMille);
    applyFractions(minimum, std::min(planeAt(m_plane).maxLevel, kMaxPerMille - minimum));
}

void HistogramLevels::setMaxLevel(int perMille)
{
    const int maximum = std::clamp(perMille, 0, kMaxPerMille);
    applyFractions(std::min(planeAt(m_plane).minLevel, kMaxPerMille - maximum), maximum);
}

void HistogramLevels::setSynchronize(bool on)
{
    (m_auto ? m_syncAuto : m_syncManual) = on;
    if (!on)
        return;
    const Plane& current = planeAt(m_plane);
    if (m_auto)
        applyFractions(current.minLevel, current.maxLevel);
    else
        applyManual(current.manual.black, current.manual.white);
}

void HistogramLevels::reset()
{
    for (Plane& plane : m_planes) {
        if (m_auto) {
            plane.minLevel = 0;
            plane.maxLevel = 0;
        } else {
            plane.manual = LevelPair{};
        }
    }
}

void HistogramLevels::updateAutoLevels(const SquareHistogram& histogram)
{
    const int count = std::min(planeCount(), histogram.planeCount());
    for (int p = 0; p < count; ++p) {
        Plane& plane = m_planes[static_cast<std::size_t>(p)];
        if (const auto levels = histogram.autoLevels(p, plane.minLevel, plane.maxLevel))
            plane.automatic = *levels;
    }
}

LevelPair HistogramLevels::stretchLevels(int plane) const
{
    const Plane& entry = planeAt(plane);
    return m_auto ? entry.automatic : entry.manual;
}

std::span<const LevelPair> HistogramLevels::allStretchLevels()
{
    m_stretchBuffer.resize(m_planes.size());
    for (int p = 0; p < planeCount(); ++p)
        m_stretchBuffer[static_cast<std::size_t>(p)] = stretchLevels(p);
    return m_stretchBuffer;
}

int HistogramLevels::shownMinimum() const
{
    return stretchLevels(m_plane).black;
}

int HistogramLevels::shownMaximum() const
{
    return stretchLevels(m_plane).white;
}

} // namespace velmora::client
