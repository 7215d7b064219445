#include "sim/sky/simulated_sky.h"

#include "platform/ports/parallel_io.h"

namespace velmora::sim {

SimulatedSky::Sources SimulatedSky::inputsOn(SimulatorPorts& ports,
                                             const std::vector<MappedLineInputs::Binding>& bindings)
{
    return {inputsOf(ports.parallel().port(platform::kLpt1DataAddress)->dataLines(), bindings),
            inputsOf(ports.parallel().port(platform::kLpt2DataAddress)->dataLines(), bindings),
            inputsOf(ports.relayBox().outputLines(), bindings)};
}

MappedLineInputs SimulatedSky::inputsOf(const LineLog& lines,
                                        const std::vector<MappedLineInputs::Binding>& bindings)
{
    auto levelsAt = [&lines](InputLines::TimePoint time) { return lines.valueAt(time); };
    auto changeTimes = [&lines](InputLines::TimePoint from, InputLines::TimePoint to) {
        std::vector<InputLines::TimePoint> times;
        for (const LineChange& change : lines.changes()) {
            if (change.time > from && change.time <= to)
                times.push_back(change.time);
        }
        return times;
    };
    return MappedLineInputs(levelsAt, changeTimes, bindings);
}

SimulatedSky::SimulatedSky(SimulatorPorts& ports, SimClock& clock, const SkyParameters& parameters,
                           const GuideLines& guideLines)
    : m_focus(ports.focuser()), m_guideSources(inputsOn(ports, {guideLines.begin(), guideLines.end()})),
      m_exposureSources(inputsOn(ports, {kExposureLine})),
      m_guide({&m_guideSources[0], &m_guideSources[1], &m_guideSources[2]}),
      m_exposure({&m_exposureSources[0], &m_exposureSources[1], &m_exposureSources[2]}),
      m_model(parameters, clock.now()), m_backend(m_model, clock)
{
    m_model.connectGuideInputs(&m_guide);
    m_model.connectExposureInputs(&m_exposure);
    ports.focuser().setBacklash(m_model.parameters().focuserBacklash);
    m_model.connectFocuser(&m_focus);
}

} // namespace velmora::sim
