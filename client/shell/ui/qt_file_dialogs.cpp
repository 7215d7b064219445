#include "client/shell/ui/qt_file_dialogs.h"

#include "client/shell/user_paths.h"

#include <QFileDialog>
#include <QStringList>

namespace velmora::client {

std::optional<std::string> QtFileDialogs::saveFile(const SaveFileRequest& request)
{
    QStringList filters;
    for (const auto& [description, pattern] : parseFileFilter(request.filter))
        filters << QString::fromStdString(description);
    const std::string start = expandUserPath(request.folder) + request.defaultName;
    QFileDialog dialog(m_parent, QString(), QString::fromStdString(start), filters.join(QStringLiteral(";;")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return withDefaultExtension(dialog.selectedFiles().front().toStdString(), request.defaultExtension);
}

} // namespace velmora::client
