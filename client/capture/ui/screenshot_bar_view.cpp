#include "client/capture/ui/screenshot_bar_view.h"

#include "common/ui/control_form.h"

#include <QLineEdit>

namespace velmora::client {

namespace sb = screenshot_bar;

CScreenshotBarView::CScreenshotBarView(ScreenshotBar& bar, common::ControlForm& form)
    : QObject(&form), m_form(form)
{
    auto forward = [&bar](void (Screenshot::*set)(std::string)) {
        return [&bar, set](const QString& text) {
            if (Screenshot* screenshot = bar.screenshot())
                (screenshot->*set)(text.toStdString());
        };
    };
    connect(form.controlAs<QLineEdit>(sb::kFolder), &QLineEdit::textEdited, this,
            forward(&Screenshot::setFolderText));
    connect(form.controlAs<QLineEdit>(sb::kName), &QLineEdit::textEdited, this,
            forward(&Screenshot::setNameText));
}

void CScreenshotBarView::showScreenshot(const Screenshot& screenshot)
{
    const ScreenshotSettings& s = screenshot.settings();
    m_form.showChecked(sb::kFits, s.fileFormat == 0);
    m_form.showChecked(sb::kTiff, s.fileFormat == 1);
    m_form.showChecked(sb::kBmp, s.fileFormat == 2);
    m_form.showChecked(sb::kSplit, s.split);
    m_form.showChecked(sb::kStandardFits, s.standardFits);
    m_form.showText(sb::kFolder, QString::fromStdString(screenshot.folderText()));
    m_form.showText(sb::kName, QString::fromStdString(screenshot.nameText()));
}

} // namespace velmora::client
