#include "server/frame/ui/profile_dlg.h"

#include "common/ui/control_form.h"
#include "server/frame/ui/bitmaps.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace velmora::server {

using common::controlObjectName;

namespace {

QPushButton* button(const QString& text, int id, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(controlObjectName(id));
    return b;
}

} // namespace

CProfileDlg::CProfileDlg(ProfileChooser::Kind kind, const std::string& driverName,
                         const std::string& currentProfile, QWidget* parent)
    : QDialog(parent), m_chooser(kind, driverName, currentProfile), m_list(new QTreeWidget(this)),
      m_default(button(kind == ProfileChooser::Kind::Load ? "Load Profile" : "Save Profile",
                       profile_dlg::kDefaultButton, this)),
      m_delete(button("Delete Profile", profile_dlg::kDelete, this))
{
    setWindowTitle(kind == ProfileChooser::Kind::Load ? "Load Profile" : "Save Profile");
    m_list->setObjectName(controlObjectName(profile_dlg::kList));
    m_list->setHeaderHidden(true);
    m_list->setRootIsDecorated(false);
    m_list->setIconSize(QSize(kBitmapSize, kBitmapSize));
    auto* cancel = button("Cancel", profile_dlg::kCancel, this);
    m_default->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_default);
    buttons->addWidget(m_delete);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(m_list, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            m_chooser.select(static_cast<std::size_t>(m_list->indexOfTopLevelItem(item)));
        showState();
    });
    connect(m_default, &QPushButton::clicked, this, [this] {
        if (m_chooser.chosenName())
            accept();
    });
    connect(m_delete, &QPushButton::clicked, this, &CProfileDlg::deleteSelected);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    fillList();
}

void CProfileDlg::fillList()
{
    const QSignalBlocker blocker(m_list);
    m_list->clear();
    const QIcon image(profileBitmap());
    for (const std::string& name : m_chooser.profiles())
        new QTreeWidgetItem(m_list, QStringList{QString::fromStdString(name)});
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        m_list->topLevelItem(i)->setIcon(0, image);
    if (const auto selected = m_chooser.selected())
        m_list->setCurrentItem(m_list->topLevelItem(static_cast<int>(*selected)));
}

void CProfileDlg::deleteSelected()
{
    if (m_chooser.deleteSelected())
        fillList();
    showState();
}

void CProfileDlg::showState()
{
    m_default->setEnabled(m_chooser.chosenName().has_value());
    m_delete->setEnabled(m_chooser.deleteEnabled());
}

CLoadProfileDlg::CLoadProfileDlg(const std::string& driverName, const std::string& currentProfile,
                                 QWidget* parent)
    : CProfileDlg(ProfileChooser::Kind::Load, driverName, currentProfile, parent)
{
    showState();
}

CSaveProfileDlg::CSaveProfileDlg(const std::string& driverName, const std::string& currentProfile,
                                 QWidget* parent)
    : CProfileDlg(ProfileChooser::Kind::Save, driverName, currentProfile, parent), m_name(new QLineEdit(this))
{
    m_name->setObjectName(controlObjectName(profile_dlg::kName));
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, m_name);
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) {
        mutableChooser().setEnteredName(text.toStdString());
        showState();
    });
    showState();
}

void CSaveProfileDlg::showState()
{
    const QString name = QString::fromStdString(chooser().enteredName());
    if (m_name->text() != name)
        m_name->setText(name);
    CProfileDlg::showState();
}

std::optional<std::string> chooseProfileToLoad(const std::string& driverName,
                                               const std::string& currentProfile, QWidget* parent)
{
    CLoadProfileDlg dialog(driverName, currentProfile, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenName();
}

std::optional<std::string> chooseProfileToSave(const std::string& driverName,
                                               const std::string& currentProfile, QWidget* parent)
{
    CSaveProfileDlg dialog(driverName, currentProfile, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenName();
}

} // namespace velmora::server
