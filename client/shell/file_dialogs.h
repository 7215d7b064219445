#pragma once
// The file dialogs, folder browser and message boxes the windows open, behind
// interfaces so that windows can be tested without a display: Qt's dialogs in the
// program, scripted fakes in tests.
// Filters are written as the settings and texts of this program give them:
// "Text Files (*.txt)|*.txt||" (description and pattern pairs).

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora::client {

struct SaveFileRequest {
    std::string filter;           // "Text Files (*.txt)|*.txt||"
    std::string defaultExtension; // "txt", added when the chosen name has none
    std::string defaultName;      // "DriftLog.txt"
    std::string folder;           // where the dialog opens; may be empty
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> saveFile(const SaveFileRequest& request) = 0;
    // An existing file to open (defaultExtension and defaultName unused).
    virtual std::optional<std::string> openFile(const SaveFileRequest& request) = 0;
};

// The platform's folder browser (no root, no title): the chosen folder, or nothing
// when the user cancelled.
class FolderChooser {
public:
    virtual ~FolderChooser() = default;
    virtual std::optional<std::string> chooseFolder(const std::string& startFolder) = 0;
};

// Plain message boxes with an OK button ("Invalid Path...").
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void showMessage(const std::string& text) = 0;
};

// The (description, pattern) pairs of a filter.
std::vector<std::pair<std::string, std::string>> parseFileFilter(const std::string& filter);
// A chosen name with the default extension added when it has none.
std::string withDefaultExtension(const std::string& path, const std::string& extension);
// The folder part of a path ("" for a bare name).
std::string folderOf(const std::string& path);

} // namespace velmora::client
