#include "client/capture/fits_writer.h"

#include "client/capture/output_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace velmora::client {

namespace {

constexpr std::size_t kClassicCards = 36;

// Classic card: spaces, "/" in column 32, CR LF in 79–80, keyword from column 1 and
// a value ending in column 30 after "=" in column 9.
std::string classicCard(const char* keyword, const std::string& value, bool hasValue)
{
    std::string card(kFitsCardBytes, ' ');
    card[31] = '/';
    card[78] = '\r';
    card[79] = '\n';
    card.replace(0, std::min<std::size_t>(std::strlen(keyword), 8), keyword,
                 std::min<std::size_t>(std::strlen(keyword), 8));
    if (hasValue) {
        card[8] = '=';
        const std::size_t length = std::min<std::size_t>(value.size(), 21);
        card.replace(30 - length, length, value, value.size() - length, length);
    }
    return card;
}

// Standard fixed-format card: "= " in columns 9–10, numbers and logicals ending in
// column 30, strings quoted from column 11.
std::string standardCard(const char* keyword, const std::string& value, bool quoted = false)
{
    std::string card(kFitsCardBytes, ' ');
    card.replace(0, std::strlen(keyword), keyword);
    if (value.empty() && !quoted)
        return card;
    card[8] = '=';
    if (quoted) {
        std::string text = "'" + value;
        text.append(value.size() < 8 ? 8 - value.size() : 0, ' ');
        text += "'";
        card.replace(10, text.size(), text);
    } else {
        card.replace(30 - value.size(), value.size(), value);
    }
    return card;
}

std::vector<std::pair<const char*, std::string>> axisCards(const FitsShape& shape)
{
    std::vector<std::pair<const char*, std::string>> cards = {{"NAXIS", std::to_string(shape.axes())},
                                                              {"NAXIS1", std::to_string(shape.width)},
                                                              {"NAXIS2", std::to_string(shape.height)}};
    if (shape.axes() == 3)
        cards.emplace_back("NAXIS3", std::to_string(shape.planeCount));
    return cards;
}

// Big-endian words of each sample as `encode` gives it, in a loop the compiler vectorises.
template <typename Encode>
void packRow(const std::uint16_t* source, std::uint8_t* target, std::size_t count, Encode encode)
{
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned value = encode(static_cast<unsigned>(source[i]));
        target[2 * i] = static_cast<std::uint8_t>(value >> 8u);
        target[2 * i + 1] = static_cast<std::uint8_t>(value & 0xFFu);
    }
}

std::string exposureText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", std::max(seconds, 0.0));
    return text;
}

} // namespace

std::uint64_t FitsShape::dataBytes() const
{
    const std::uint64_t plane =
        static_cast<std::uint64_t>(std::max(width, 0)) * static_cast<std::uint64_t>(std::max(height, 0)) * 2u;
    return axes() == 2 ? plane : plane * static_cast<std::uint64_t>(std::max(planeCount, 0));
}

std::string FitsHeader(const FitsShape& shape)
{
    std::string header = classicCard("SIMPLE", "T", true) + classicCard("BITPIX", "16", true);
    for (const auto& [keyword, value] : axisCards(shape))
        header += classicCard(keyword, value, true);
    header += classicCard("END", {}, false);
    while (header.size() < kClassicCards * kFitsCardBytes)
        header += classicCard("", {}, false);
    return header;
}

std::string fitsDateText(std::chrono::system_clock::time_point time)
{
    const auto milliseconds = std::chrono::floor<std::chrono::milliseconds>(time.time_since_epoch()).count();
    const std::time_t seconds =
        static_cast<std::time_t>(milliseconds >= 0 ? milliseconds / 1000 : (milliseconds - 999) / 1000);
    const int rest = static_cast<int>(milliseconds - static_cast<long long>(seconds) * 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, rest);
    return text;
}

std::string StandardFitsHeader(const FitsShape& shape, const FitsObservation& observation)
{
    std::string header = standardCard("SIMPLE", "T") + standardCard("BITPIX", "16");
    for (const auto& [keyword, value] : axisCards(shape))
        header += standardCard(keyword, value);
    header += standardCard("BZERO", "32768") + standardCard("BSCALE", "1");
    header += standardCard("DATE-OBS", fitsDateText(observation.start), true);
    header += standardCard("EXPTIME", exposureText(observation.exposureSeconds));
    header += standardCard("END", {});
    header.resize((header.size() + kFitsBlockBytes - 1) / kFitsBlockBytes * kFitsBlockBytes, ' ');
    return header;
}

bool WriteFitsHeader(OutputFile& file, int planeCount, int width, int height, bool singlePlane)
{
    return file.write(FitsHeader({planeCount, width, height, singlePlane}));
}

FitsRegionLayout fitsRegionLayout(const PixelRect& region)
{
    FitsRegionLayout layout;
    layout.rowStride = static_cast<std::size_t>(std::max(region.width(), 0)) * 2u;
    layout.planeStride = static_cast<std::size_t>(std::max(region.height(), 0)) * layout.rowStride;
    return layout;
}

bool PackFitsRegion(const ImageFrame& frame, const PixelRect& region, std::span<std::uint8_t> buffer,
                    FitsLayout layout)
{
    const FitsRegionLayout strides = fitsRegionLayout(region);
    if (buffer.size() < strides.bytes(frame.planeCount()))
        return false;
    const PixelRect inside = region.clippedTo(frame.width(), frame.height());
    if (inside.isEmpty())
        return true;
    const bool standard = layout == FitsLayout::Standard;
    for (int p = 0; p < frame.planeCount(); ++p) {
        std::uint8_t* plane = buffer.data() + static_cast<std::size_t>(p) * strides.planeStride;
        for (int y = inside.top; y < inside.bottom; ++y) {
            const std::uint16_t* source = frame.row(p, y) + inside.left;
            std::uint8_t* target = plane +
                                   static_cast<std::size_t>(region.bottom - 1 - y) * strides.rowStride +
                                   static_cast<std::size_t>(inside.left - region.left) * 2u;
            const auto count = static_cast<std::size_t>(inside.width());
            if (standard)
                packRow(source, target, count, [](unsigned v) { return v ^ 0x8000u; });
            else
                packRow(source, target, count, [](unsigned v) { return v >> 1u; });
        }
    }
    return true;
}

bool writeFitsFile(const std::string& path, const FitsShape& shape, std::span<const std::uint8_t> data,
                   FitsLayout layout, const FitsObservation& observation, std::string& error)
{
    OutputFile file;
    const bool standard = layout == FitsLayout::Standard;
    bool ok = file.open(path) &&
              file.write(standard ? StandardFitsHeader(shape, observation) : FitsHeader(shape)) &&
              file.write(data);
    if (ok && standard && data.size() % kFitsBlockBytes != 0)
        ok = file.write(std::string(kFitsBlockBytes - data.size() % kFitsBlockBytes, '\0'));
    ok = ok && file.commit();
    if (!ok)
        error = file.error();
    return ok;
}

bool writeFitsFrame(const ImageFrame& frame, const PixelRect& region, std::vector<std::uint8_t>& buffer,
                    bool split, FitsLayout layout, const FitsObservation& observation,
                    const std::function<std::string(int plane)>& fileName, std::string& error)
{
    const FitsRegionLayout strides = fitsRegionLayout(region);
    const std::size_t bytes = strides.bytes(frame.planeCount());
    if (buffer.size() < bytes)
        buffer.resize(bytes);
    // Only a region past the frame's edge leaves bytes that packing does not write.
    if (region.clippedTo(frame.width(), frame.height()) != region)
        std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    PackFitsRegion(frame, region, buffer, layout);
    const std::span<const std::uint8_t> data(buffer.data(), bytes);
    if (!split) {
        const FitsShape shape{frame.planeCount(), region.width(), region.height(), false};
        return writeFitsFile(fileName(-1), shape, data, layout, observation, error);
    }
    const FitsShape shape{frame.planeCount(), region.width(), region.height(), true};
    for (int p = 0; p < frame.planeCount(); ++p) {
        const std::span<const std::uint8_t> plane =
            data.subspan(static_cast<std::size_t>(p) * strides.planeStride, strides.planeStride);
        if (!writeFitsFile(fileName(p), shape, plane, layout, observation, error))
            return false;
    }
    return true;
}

} // namespace velmora::client
