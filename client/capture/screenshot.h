#pragma once
// The screenshot bar's behaviour while an image window exists: one click saves the
// window's raw frame (after dark and flat correction) as FITS, whole or one file per
// plane, named after the local time of the click. The settings of section
// "Screenshot" are read when the window opens and written when it goes; the folder
// and name written are the ones last used by a screenshot or chosen with "...".
//
// ScreenshotBar is the main frame's part that handles the bar's controls: it keeps
// one Screenshot per image window and shows its state through a view.

#include "client/shell/main_frame.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmora::client {

class FolderChooser;
class MessageBoxes;
class SettingsStore;
class WallClock;

namespace screenshot_bar {
constexpr int kFits = 1199;
constexpr int kTiff = 1200;
constexpr int kBmp = 1201;
constexpr int kSplit = 1190;
constexpr int kFolder = 1191;
constexpr int kBrowse = 1185; // "..."
constexpr int kName = 1183;
constexpr int kScreenShot = 1202;
constexpr int kStandardFits = 1189; // "Standard FITS"
} // namespace screenshot_bar

struct ScreenshotSettings {
    int fileFormat = 0; // 0 FITS, 1 TIFF, 2 BMP: every screenshot is FITS
    bool split = false;
    std::string folder = "~/";
    std::string name = "Screenshot";
    bool standardFits = false;

    void load(const SettingsStore& store);
    void save(SettingsStore& store) const;
};

struct ScreenshotServices {
    SettingsStore& store;
    MessageBoxes& messages;
    FolderChooser& folders;
    const WallClock& clock;
    std::function<double()> exposureSeconds; // EXPTIME of standard FITS
};

class Screenshot {
public:
    Screenshot(ImageWindow& window, const ScreenshotServices& services);
    ~Screenshot(); // writes the section
    Screenshot(const Screenshot&) = delete;
    Screenshot& operator=(const Screenshot&) = delete;

    // "ScreenShot": false when a message refused or a file failed.
    bool take();
    // "...": the folder browser; a choice is kept and shown.
    void browseFolder();

    const ScreenshotSettings& settings() const { return m_settings; }
    void setFileFormat(int index);
    void setSplit(bool on) { m_settings.split = on; }
    void setStandardFits(bool on) { m_settings.standardFits = on; }
    // The edits' texts as the user leaves them.
    const std::string& folderText() const { return m_folderText; }
    void setFolderText(std::string text) { m_folderText = std::move(text); }
    const std::string& nameText() const { return m_nameText; }
    void setNameText(std::string text) { m_nameText = std::move(text); }
    // The files of the last screenshot.
    const std::vector<std::string>& lastFiles() const { return m_lastFiles; }

private:
    ImageWindow& m_window;
    ScreenshotServices m_services;
    ScreenshotSettings m_settings;
    std::string m_folderText;
    std::string m_nameText;
    std::vector<std::string> m_lastFiles;
};

// What the bar's window shows and tells.
class ScreenshotBarView {
public:
    virtual ~ScreenshotBarView() = default;
    // The screenshot's state, after the image window opened and after every change.
    virtual void showScreenshot(const Screenshot& screenshot) = 0;
};

class ScreenshotBar : public MainFramePart {
public:
    // The view is set once the bar's window exists (it may be none in tests).
    explicit ScreenshotBar(ScreenshotServices services);
    void setView(ScreenshotBarView* view) { m_view = view; }

    Screenshot* screenshot() const { return m_screenshot.get(); }
    bool handlesControl(int controlId) const override;
    bool controlEnabled(int controlId) const override;
    bool applyControl(int controlId, int value) override;

private:
    void imageWindowOpened(ImageWindow& window) override;
    void imageWindowClosing(ImageWindow& window) override;
    void show();

    ScreenshotServices m_services;
    ScreenshotBarView* m_view = nullptr;
    std::unique_ptr<Screenshot> m_screenshot;
};

} // namespace velmora::client
