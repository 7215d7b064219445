#include "client/remote/settle_monitor.h"

namespace velmora::client::remote {

SettleProgress SettleMonitor::addFrame(double nowSeconds, bool starFound, double distance)
{
    ++m_frames;
    SettleProgress progress;
    progress.starLocked = starFound;
    progress.distance = starFound ? distance : 0.0;
    if (!starFound) {
        ++m_dropped;
        m_inRangeSince.reset();
        return progress;
    }
    if (distance >= m_params.pixels) {
        m_inRangeSince.reset();
        return progress;
    }
    if (!m_inRangeSince)
        m_inRangeSince = nowSeconds;
    progress.settledSeconds = nowSeconds - *m_inRangeSince;
    if (progress.settledSeconds >= m_params.timeSeconds && nowSeconds - m_start <= m_params.timeoutSeconds)
        m_settled = true;
    return progress;
}

std::optional<SettleResult> SettleMonitor::result(double nowSeconds) const
{
    if (m_settled)
        return finished(true, {});
    if (nowSeconds - m_start > m_params.timeoutSeconds)
        return finished(false, kTimedOut);
    return std::nullopt;
}

SettleResult SettleMonitor::abandon(const std::string& why) const
{
    return finished(false, why);
}

SettleResult SettleMonitor::finished(bool settled, const std::string& error) const
{
    return {settled, error, m_frames, m_dropped};
}

} // namespace velmora::client::remote
