#pragma once
// The program's file dialogs, folder browser and message boxes on Qt.

#include "client/shell/file_dialogs.h"

class QWidget;

namespace velmora::client {

class QtFileDialogs : public FileDialogs, public FolderChooser {
public:
    explicit QtFileDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    std::optional<std::string> saveFile(const SaveFileRequest& request) override;
    std::optional<std::string> openFile(const SaveFileRequest& request) override;
    std::optional<std::string> chooseFolder(const std::string& startFolder) override;

private:
    QWidget* m_parent;
};

class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    void showMessage(const std::string& text) override;

private:
    QWidget* m_parent;
};

} // namespace velmora::client
