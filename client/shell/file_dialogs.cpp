#include "client/shell/file_dialogs.h"

namespace velmora::client {

std::vector<std::pair<std::string, std::string>> parseFileFilter(const std::string& filter)
{
    std::vector<std::string> parts;
    std::size_t begin = 0;
    while (begin <= filter.size()) {
        const std::size_t bar = filter.find('|', begin);
        const std::size_t end = bar == std::string::npos ? filter.size() : bar;
        parts.push_back(filter.substr(begin, end - begin));
        if (bar == std::string::npos)
            break;
        begin = bar + 1;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (!parts[i].empty())
            pairs.emplace_back(parts[i], parts[i + 1]);
    }
    return pairs;
}

std::string withDefaultExtension(const std::string& path, const std::string& extension)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    if (hasExtension || extension.empty() || path.empty())
        return path;
    return path + "." + extension;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace velmora::client
