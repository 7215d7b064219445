#pragma once
// The server's simulated sky wired to the simulated hardware: the guide lines held on
// the simulated parallel ports (LPT1, LPT2) or on the KR-4 relay box emulator move the
// mount, the camera's exposure line on the same ports makes the sensor integrate, and
// the KF-3 emulator's motor position focuses the stars, through the play of
// "Focuser Backlash". The "Sky Simulator" capture device draws this sky.
//
// The ports' line records and `clock` must share one time base (the steady clock in
// the server).

#include "sim/simulator_ports.h"
#include "sim/sky/any_of_inputs.h"
#include "sim/sky/mapped_line_inputs.h"
#include "sim/sky/sky_model.h"
#include "sim/sky/sky_simulator_backend.h"

#include <array>

namespace velmora::sim {

class SimulatedSky {
public:
    // The line of each guide direction (North, South, East, West): the telescope's
    // default words change lines 7, 6, 5 and 4 to 1.
    using GuideLines = std::array<MappedLineInputs::Binding, 4>;
    static constexpr GuideLines kDefaultGuideLines{{{7, true}, {6, true}, {5, true}, {4, true}}};
    // The camera's exposure line: line 0 (relay output 1), active at 0, as the default
    // exposure sequences switch it.
    static constexpr MappedLineInputs::Binding kExposureLine{0, false};

    // `ports` and `clock` are borrowed and must outlive the sky.
    SimulatedSky(SimulatorPorts& ports, SimClock& clock, const SkyParameters& parameters,
                 const GuideLines& guideLines = kDefaultGuideLines);
    SimulatedSky(const SimulatedSky&) = delete;
    SimulatedSky& operator=(const SimulatedSky&) = delete;

    SkyModel& model() { return m_model; }
    platform::CaptureBackend& captureBackend() { return m_backend; }

private:
    class Kf3Focus : public FocuserInput {
    public:
        explicit Kf3Focus(Kf3Controller& controller) : m_controller(controller) {}
        // Where the motor has put the optics, play taken into account; the controller
        // locks its motor.
        int position() override { return m_controller.opticsPosition(); }

    private:
        Kf3Controller& m_controller;
    };

    using Sources = std::array<MappedLineInputs, 3>;
    // The same lines of LPT1, LPT2 and the relay box.
    static Sources inputsOn(SimulatorPorts& ports, const std::vector<MappedLineInputs::Binding>& bindings);
    static MappedLineInputs inputsOf(const LineLog& lines,
                                     const std::vector<MappedLineInputs::Binding>& bindings);

    Kf3Focus m_focus;
    Sources m_guideSources;
    Sources m_exposureSources;
    AnyOfInputs m_guide;
    AnyOfInputs m_exposure;
    SkyModel m_model;
    SkySimulatorBackend m_backend;
};

} // namespace velmora::sim
