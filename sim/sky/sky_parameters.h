#pragma once
// The simulated sky's settings, read from the key "Simulator" under
// HKEY_CURRENT_USER, Software, Velmora Software (numbers, REG_DWORD, in the units named
// below); a missing value takes its default and a value outside its range is clamped.

#include <cstdint>
#include <string>

namespace velmora::sim {

// The defaults give a first view with sharp stars (best focus where the KF-3 emulator's
// motor starts, 0) and a mount whose drift and periodic error grow within a minute far
// beyond the 1'' that the client's default guiding leaves alone (100 ms minimum pulse
// at 100 ms per arcsecond), with seeing well below that, so guiding shows its effect.
struct SkyParameters {
    static constexpr const char* kKey = "Software\\Velmora Software\\Simulator";

    int seeing = 30;       // "Seeing": hundredths of an arcsecond RMS per frame and axis
    int driftRa = 0;       // "Drift RA": hundredths of an arcsecond per minute, along East
    int driftDec = 1200;   // "Drift Dec": hundredths of an arcsecond per minute, along North
    int peAmplitude = 500; // "PE Amplitude": hundredths of an arcsecond, along East
    int pePeriod = 120;    // "PE Period": seconds (0: none)
    int rotation = 0;      // "Rotation": hundredths of a degree, camera x axis from East toward North
    int bestFocus = 0;     // "Best Focus": focuser steps
    int stars = 5;         // "Stars"
    int imageScale = 115;  // "Image Scale": hundredths of an arcsecond per pixel
    int guideRate = 50;    // "Guide Rate": hundredths of 15 arcseconds per second
    int starWidth = 150;   // "Star Width": hundredths of a pixel, Gaussian sigma at best focus
    int focusBlur = 200;   // "Focus Blur": hundredths of a pixel of sigma per 100 steps from best focus
    int background = 20;   // "Background": sky level, 0..255
    int noise = 300;       // "Noise": hundredths of a level, RMS per pixel
    int seed = 1;          // "Seed": the same seed gives the same sky and noise
    // "Focuser Backlash": steps of play between the KF-3 emulator's motor and the optics.
    int focuserBacklash = 0;

    // Reads the key; defaults for what is missing.
    static SkyParameters load();
    // Every value within its range.
    SkyParameters clamped() const;

    double seeingArcsec() const { return seeing * 0.01; }
    double driftRaArcsecPerSecond() const { return driftRa * 0.01 / 60.0; }
    double driftDecArcsecPerSecond() const { return driftDec * 0.01 / 60.0; }
    double peAmplitudeArcsec() const { return peAmplitude * 0.01; }
    double rotationRadians() const;
    double imageScaleArcsecPerPixel() const { return imageScale * 0.01; }
    double guideRateArcsecPerSecond() const { return guideRate * 0.01 * 15.0; }
    double starSigmaPixels() const { return starWidth * 0.01; }
    double blurPerStep() const { return focusBlur * 0.01 / 100.0; }
    double noiseLevel() const { return noise * 0.01; }

    bool operator==(const SkyParameters&) const = default;
};

} // namespace velmora::sim
