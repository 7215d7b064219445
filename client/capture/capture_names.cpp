#include "client/capture/capture_names.h"

#include "client/shell/user_paths.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <vector>

namespace velmora::client {

namespace {

// A printf format of the program's file names with text arguments.
template <typename... Args> std::string formatted(const char* format, const Args&... args)
{
    const int length = std::snprintf(nullptr, 0, format, args.c_str()...);
    if (length <= 0)
        return {};
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    std::snprintf(text.data(), text.size(), format, args.c_str()...);
    return std::string(text.data(), static_cast<std::size_t>(length));
}

// Larger than any run number ten digits can show, so the overflow is still seen.
constexpr std::uint64_t kNumberCeiling = 100'000'000'000ull;

std::uint64_t leadingNumber(std::string_view text)
{
    std::uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        number = std::min(number * 10 + static_cast<std::uint64_t>(c - '0'), kNumberCeiling);
    }
    return number;
}

} // namespace

std::string withOneTrailingSlash(const std::string& folder)
{
    std::string text = folder;
    while (!text.empty() && text.back() == '/')
        text.pop_back();
    return text + "/";
}

std::string folderPath(const std::string& folderText)
{
    return withOneTrailingSlash(expandUserPath(withOneTrailingSlash(folderText)));
}

bool folderExists(const std::string& folderText)
{
    struct stat info {};
    return ::stat(folderPath(folderText).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string trimmedName(const std::string& name)
{
    std::string text = name;
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

bool isValidBaseName(const std::string& name)
{
    return std::none_of(name.begin(), name.end(), [](char c) {
        return std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos || c == '\0';
    });
}

std::uint64_t nextRunNumber(const std::string& folderPath, const std::string& baseName, CaptureFileType type)
{
    const std::string_view extension = type == CaptureFileType::Avi ? ".avi" : ".fits";
    std::optional<std::uint64_t> largest;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folderPath, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= extension.size() || !name.ends_with(extension))
            continue;
        if (name.size() <= baseName.size() || name.compare(0, baseName.size(), baseName) != 0 ||
            name[baseName.size()] != '-')
            continue;
        const std::uint64_t number = leadingNumber(std::string_view(name).substr(baseName.size() + 1));
        largest = std::max(largest.value_or(0), number);
    }
    return largest ? std::min(*largest + 1, kNumberCeiling) : 0;
}

std::optional<std::string> paddedNumber(std::uint64_t number, int digits)
{
    std::string text = std::to_string(number);
    if (text.size() > static_cast<std::size_t>(std::max(digits, 0)))
        return std::nullopt;
    return std::string(static_cast<std::size_t>(digits) - text.size(), '0') + text;
}

std::string captionForFileName(const std::string& caption)
{
    std::string text = caption;
    std::replace(text.begin(), text.end(), '/', '_');
    std::erase(text, '\0');
    return text;
}

std::string aviFileName(const std::string& folder, const std::string& name, const std::string& run)
{
    return formatted("%s%s-%s.avi", folder, name, run);
}

std::string fitsFileName(const std::string& folder, const std::string& name, const std::string& run,
                         const std::string& frame)
{
    return formatted("%s%s-%s-%s.fits", folder, name, run, frame);
}

std::string fitsPlaneFileName(const std::string& folder, const std::string& name, const std::string& run,
                              const std::string& frame, const std::string& caption)
{
    return formatted("%s%s-%s-%s-%s.fits", folder, name, run, frame, captionForFileName(caption));
}

std::string screenshotTimeStamp(std::chrono::system_clock::time_point time)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    return std::strftime(text, sizeof text, "(%d.%m.%Y %H-%M-%S)", &local) > 0 ? text : "";
}

std::string screenshotFileName(const std::string& folder, const std::string& name, const std::string& stamp)
{
    return formatted("%s%s_%s.fits", folder, name, stamp);
}

std::string screenshotPlaneFileName(const std::string& folder, const std::string& name,
                                    const std::string& stamp, const std::string& caption)
{
    return formatted("%s%s_%s_%s.fits", folder, name, stamp, captionForFileName(caption));
}

} // namespace velmora::client
