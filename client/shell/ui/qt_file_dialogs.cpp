#include "client/shell/ui/qt_file_dialogs.h"

#include "client/shell/user_paths.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>

namespace velmora::client {

namespace {

QString qtFilter(const std::string& filter)
{
    QStringList filters;
    for (const auto& [description, pattern] : parseFileFilter(filter))
        filters << QString::fromStdString(description);
    return filters.join(QStringLiteral(";;"));
}

} // namespace

std::optional<std::string> QtFileDialogs::openFile(const SaveFileRequest& request)
{
    QFileDialog dialog(m_parent, QString(), QString::fromStdString(expandUserPath(request.folder)),
                       qtFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> QtFileDialogs::saveFile(const SaveFileRequest& request)
{
    const std::string start = expandUserPath(request.folder) + request.defaultName;
    QFileDialog dialog(m_parent, QString(), QString::fromStdString(start), qtFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return withDefaultExtension(dialog.selectedFiles().front().toStdString(), request.defaultExtension);
}

std::optional<std::string> QtFileDialogs::chooseFolder(const std::string& startFolder)
{
    const QString chosen = QFileDialog::getExistingDirectory(
        m_parent, QString(), QString::fromStdString(expandUserPath(startFolder)));
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.toStdString();
}

// Shown once control is back in the event loop: a box opened while a frame is being
// processed would run a nested loop that delivers the next frame into the same pipeline.
void QtMessageBoxes::showMessage(const std::string& text)
{
    QPointer<QWidget> parent = m_parent;
    QTimer::singleShot(0, QCoreApplication::instance(), [parent, message = QString::fromStdString(text)] {
        QMessageBox::information(parent, QStringLiteral("Velmora Nebrix Client"), message);
    });
}

} // namespace velmora::client
