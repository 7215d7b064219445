#include "server/camera/colour_converter.h"

#include "server/camera/bayer_pattern.h"
#include "server/camera/colour_row_kernels.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <type_traits>

namespace velmora::server {

namespace {

std::int64_t largestCoefficient(const ColourSettings& settings)
{
    std::int64_t largest = 0;
    for (int k : settings.coefficients)
        largest = std::max<std::int64_t>(largest, std::llabs(k));
    return largest;
}

// One conversion, with `Wide` the arithmetic type: 32-bit whenever no intermediate can
// leave the 32-bit range (always for video frames with percent coefficients), else
// 64-bit with results saturated to 32 bits, so a damaged setting cannot overflow.
template <typename Sample, typename Wide> class Conversion {
public:
    Conversion(const SampleView<Sample>& frame, std::int64_t maxSample, const SubFrame& sub,
               const ColourSettings& settings, ColourImage& image)
        : m_frame(frame), m_sub(sub), m_settings(settings), m_image(image),
          m_pattern(BayerPattern::forSubFrame(settings.matrixType, sub.startX, sub.startY))
    {
        bool kernelsExact = std::is_same_v<Sample, std::uint8_t> && std::is_same_v<Wide, std::int32_t>;
        for (int c = 0; c < 3; ++c) {
            m_k[c] = settings.coefficients[c];
            m_intK[c] = settings.coefficients[c];
            kernelsExact = kernelsExact && std::abs(m_intK[c]) <= ColourRowKernels::kMaxCoefficient;
        }
        if constexpr (std::is_same_v<Sample, std::uint8_t>)
            m_kernels = kernelsExact ? ColourRowKernels::forThisProcessor() : nullptr;
        if constexpr (std::is_same_v<Wide, std::int32_t>)
            m_planeKernels = ColourRowKernels::forThisProcessor();
        // Bytes are never negative, so the coefficients decide; sums are taken as they come.
        m_nonNegative = std::is_unsigned_v<Sample> &&
                        std::all_of(settings.coefficients.begin(), settings.coefficients.end(),
                                    [](int k) { return k >= 0; });
        m_maxMagnitude = std::min<std::int64_t>(maxSample * largestCoefficient(settings) / 100,
                                                std::numeric_limits<std::int32_t>::max());
    }

    void run()
    {
        m_image.reshape(m_sub.numX, m_sub.numY, m_settings.planeCount());
        switch (m_settings.mode) {
        case ColourMode::Graying:
            graying();
            break;
        case ColourMode::Luminosity:
            luminosity();
            break;
        case ColourMode::Original:
            original();
            break;
        case ColourMode::Debayerization:
            debayerization();
            break;
        }
    }

private:
    static std::int32_t narrow(Wide v)
    {
        if constexpr (std::is_same_v<Wide, std::int32_t>) {
            return v;
        } else {
            constexpr Wide lo = std::numeric_limits<std::int32_t>::min();
            constexpr Wide hi = std::numeric_limits<std::int32_t>::max();
            return static_cast<std::int32_t>(std::clamp(v, lo, hi));
        }
    }

    int width() const { return m_sub.numX; }
    int height() const { return m_sub.numY; }
    const Sample* source(int y) const
    {
        return m_frame.row(m_sub.startY + y) + 3 * std::ptrdiff_t{m_sub.startX};
    }
    std::int32_t* row(int plane, int y) { return m_image.plane(plane) + std::ptrdiff_t{y} * width(); }
    std::int32_t scaled(Sample s, int channel) const { return narrow(Wide{s} * m_k[channel] / 100); }

    // The row primitives below start at pixel `x`, after whatever a vector kernel did.
    void grayRow(const Sample* s, std::int32_t* out, int x) const
    {
        for (; x < width(); ++x)
            out[x] = narrow((Wide{s[3 * x + kGreen]} * m_k[kGreen] + Wide{s[3 * x + kRed]} * m_k[kRed] +
                             Wide{s[3 * x + kBlue]} * m_k[kBlue]) /
                            300);
    }

    void channelsRow(const Sample* s, const int* channels, std::int32_t* const* outs, int count, int x) const
    {
        for (int i = 0; i < count; ++i)
            for (int xi = x; xi < width(); ++xi)
                outs[i][xi] = scaled(s[3 * xi + channels[i]], channels[i]);
    }

    void sitesRow(const Sample* s, std::int32_t* out, std::int32_t* alsoOut, int even, int odd, int x) const
    {
        for (; x < width(); ++x) {
            const int c = (x & 1) ? odd : even;
            out[x] = scaled(s[3 * x + c], c);
            if (alsoOut)
                alsoOut[x] = out[x];
        }
    }

    void graying()
    {
        for (int y = 0; y < height(); ++y) {
            const Sample* s = source(y);
            std::int32_t* out = row(0, y);
            int done = 0;
            if constexpr (std::is_same_v<Sample, std::uint8_t>)
                done = m_kernels ? m_kernels->graying(s, out, width(), m_intK.data()) : 0;
            grayRow(s, out, done);
        }
    }

    void planesOfChannels(int y, const int* channels, int count)
    {
        const Sample* s = source(y);
        std::int32_t* outs[3] = {};
        for (int i = 0; i < count; ++i)
            outs[i] = row(channels[i], y);
        int done = 0;
        if constexpr (std::is_same_v<Sample, std::uint8_t>)
            done = m_kernels ? m_kernels->channels(s, width(), channels, outs, count, m_intK.data()) : 0;
        channelsRow(s, channels, outs, count, done);
    }

    void original()
    {
        static constexpr int all[3] = {kBlue, kGreen, kRed};
        for (int y = 0; y < height(); ++y)
            planesOfChannels(y, all, 3);
    }

    // The site samples of row y into `out` (and `alsoOut` unless null).
    void siteRow(int y, std::int32_t* out, std::int32_t* alsoOut)
    {
        const Sample* s = source(y);
        const int even = m_pattern.siteColour(0, y);
        const int odd = m_pattern.siteColour(1, y);
        int done = 0;
        if constexpr (std::is_same_v<Sample, std::uint8_t>)
            done = m_kernels ? m_kernels->sites(s, out, alsoOut, width(), even, odd, m_intK.data()) : 0;
        sitesRow(s, out, alsoOut, even, odd, done);
    }

    void luminosity()
    {
        for (int y = 0; y < height(); ++y)
            siteRow(y, row(0, y), nullptr);
    }

    // Debayering's first pass for row y: the site samples into the planes of both site
    // colours of the row. Each plane thus also gets the other colour's samples at that
    // colour's sites; every one of those is replaced later (by a neighbour mean inside
    // the border, by the border value on it) before anything reads it, so the image
    // equals writing each sample into its own plane only.
    void siteSamples(int y)
    {
        siteRow(y, row(m_pattern.siteColour(0, y), y), row(m_pattern.siteColour(1, y), y));
    }

    // Sets `plane` at the sites of row y whose column parity is `parity` (1 <= x <= w - 2)
    // to the mean of their four diagonal or orthogonal neighbours.
    void fillRow(int plane, int y, int parity, bool diagonal)
    {
        const std::ptrdiff_t w = width();
        std::int32_t* here = row(plane, y);
        int x = m_planeKernels ? m_planeKernels->neighbourMean(here - w, here, here + w, width(), parity,
                                                               diagonal, m_nonNegative)
                               : 1;
        if ((x & 1) != parity)
            ++x;
        for (; x < width() - 1; x += 2) {
            const Wide sum = diagonal
                                 ? Wide{here[x - w - 1]} + here[x - w + 1] + here[x + w - 1] + here[x + w + 1]
                                 : Wide{here[x - w]} + here[x + w] + here[x - 1] + here[x + 1];
            here[x] = narrow(sum / 4);
        }
    }

    // The neighbour means of row y (1 <= y <= h - 2): at red sites blue from the
    // diagonals and green from the orthogonals, at blue sites red and green alike; or,
    // with `greenSites`, red and blue at green sites from the orthogonals.
    void interpolateRow(int y, bool greenSites)
    {
        for (int parity = 0; parity < 2; ++parity) {
            const ColourChannel site = m_pattern.siteColour(parity, y);
            if (greenSites != (site == kGreen))
                continue;
            if (site == kGreen) {
                fillRow(kRed, y, parity, false);
                fillRow(kBlue, y, parity, false);
            } else {
                fillRow(site == kRed ? kBlue : kRed, y, parity, true);
                fillRow(kGreen, y, parity, false);
            }
        }
    }

    // Green sites of row y, the last values of that row to be set; then the row joins
    // the sums of the inside if it lies there.
    void finishRow(int y, std::array<std::int64_t, 3>& inside)
    {
        interpolateRow(y, true);
        if (y < 2 || y >= height() - 2 || width() <= 4)
            return;
        for (int plane = 0; plane < 3; ++plane) {
            const std::int32_t* r = row(plane, y) + 2;
            const int n = width() - 4;
            int x = m_planeKernels ? m_planeKernels->sum(r, n, m_maxMagnitude, inside[plane]) : 0;
            for (; x < n; ++x)
                inside[plane] += r[x];
        }
    }

    // The passes run row by row so that the rows they read are still in cache: the site
    // samples of row y + 1, the red and blue sites of row y (which read site samples of
    // rows y - 1 to y + 1 only), then the green sites of row y - 1 (which read red and
    // blue values of rows y - 2 to y, all set by then). Each value is computed from the
    // same inputs as when every pass runs over the whole sub-frame in turn.
    void debayerization()
    {
        std::array<std::int64_t, 3> inside{};
        for (int y = 0; y < std::min(2, height()); ++y)
            siteSamples(y);
        for (int y = 1; y < height() - 1; ++y) {
            siteSamples(y + 1);
            interpolateRow(y, false);
            if (y >= 2)
                finishRow(y - 1, inside);
        }
        if (height() >= 3)
            finishRow(height() - 2, inside);
        for (int plane = 0; plane < 3; ++plane)
            fillBorder(plane, borderMean(plane, inside[plane]));
    }

    // The border value of `plane`: the mean of the plane inside the border band, the
    // values that stay. A mean over all w x h values would take in positions on the
    // outermost rows and columns that this conversion never writes (and the neighbour
    // means next to them), which still hold an earlier conversion's values: the border
    // of a uniform frame would then differ from the frame. Sub-frames too small to have
    // an inside take the mean of the plane's own samples.
    std::int32_t borderMean(int plane, std::int64_t insideSum)
    {
        if (width() > 4 && height() > 4)
            return static_cast<std::int32_t>(insideSum / (std::int64_t{width() - 4} * (height() - 4)));
        std::int64_t sum = 0;
        std::int64_t count = 0;
        for (int y = 0; y < height(); ++y) {
            for (int x = 0; x < width(); ++x) {
                if (m_pattern.siteColour(x, y) == plane) {
                    sum += row(plane, y)[x];
                    ++count;
                }
            }
        }
        return count ? static_cast<std::int32_t>(sum / count) : 0;
    }

    // Columns 0, 1, w - 2, w - 1 of every row and rows 0, 1, h - 2, h - 1 get `value`.
    void fillBorder(int plane, std::int32_t value)
    {
        const int w = width();
        const int h = height();
        for (int y = 0; y < h; ++y) {
            std::int32_t* r = row(plane, y);
            if (y < 2 || y >= h - 2) {
                std::fill(r, r + w, value);
                continue;
            }
            for (int x : {0, 1, w - 2, w - 1}) {
                if (x >= 0 && x < w)
                    r[x] = value;
            }
        }
    }

    const SampleView<Sample>& m_frame;
    SubFrame m_sub;
    ColourSettings m_settings;
    ColourImage& m_image;
    BayerPattern m_pattern;
    std::array<Wide, 3> m_k{};
    std::array<int, 3> m_intK{};
    // Vector kernels for the leading part of each row; only for bytes, where they are exact.
    const ColourRowKernels* m_kernels = nullptr;
    // Kernels on the image planes, usable whenever neighbour sums fit in 32 bits.
    const ColourRowKernels* m_planeKernels = nullptr;
    // No image value exceeds this in magnitude (any mean of them neither).
    std::int64_t m_maxMagnitude = 0;
    bool m_nonNegative = false;
};

// Coefficients beyond this (in percent) are taken as this: far outside anything useful,
// and it keeps every 64-bit intermediate of a damaged setting from overflowing.
constexpr int kCoefficientLimit = 1'000'000;

// Largest intermediate of any mode: three (Graying) or four (neighbour means) products
// of a sample with a coefficient.
bool fitsIn32Bits(std::int64_t maxSample, const ColourSettings& settings)
{
    return maxSample == 0 ||
           largestCoefficient(settings) <= std::numeric_limits<std::int32_t>::max() / (4 * maxSample);
}

template <typename Sample>
bool convertFrom(const SampleView<Sample>& frame, std::int64_t maxSample, const SubFrame& sub,
                 ColourSettings settings, ColourImage& image)
{
    if (!frame.valid() || !sub.fitsIn(frame))
        return false;
    for (int& k : settings.coefficients)
        k = std::clamp(k, -kCoefficientLimit, kCoefficientLimit);
    if (fitsIn32Bits(maxSample, settings))
        Conversion<Sample, std::int32_t>(frame, maxSample, sub, settings, image).run();
    else
        Conversion<Sample, std::int64_t>(frame, maxSample, sub, settings, image).run();
    return true;
}

} // namespace

bool ColourConverter::convert(const FrameBytes& frame, const SubFrame& sub, const ColourSettings& settings,
                              ColourImage& image)
{
    return convertFrom(frame, 255, sub, settings, image);
}

bool ColourConverter::convert(const FrameSums& sums, std::int64_t maxSum, const SubFrame& sub,
                              const ColourSettings& settings, ColourImage& image)
{
    // A bound outside [0, 2^31) cannot be trusted: assume the widest sums.
    constexpr std::int64_t widest = std::numeric_limits<std::int32_t>::max();
    return convertFrom(sums, maxSum < 0 || maxSum > widest ? widest : maxSum, sub, settings, image);
}

} // namespace velmora::server
