#include "platform/automation/qt_executor.h"

#include <QMetaObject>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

namespace velmora::automation {

QtExecutor::QtExecutor() : m_context(std::make_unique<QObject>()) {}

QtExecutor::~QtExecutor()
{
    for (auto& [fd, notifier] : m_notifiers)
        delete notifier;
}

void QtExecutor::watch(int fd, std::function<void()> onReadable)
{
    unwatch(fd);
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, m_context.get(),
                     [callback = std::move(onReadable)]() { callback(); });
    m_notifiers[fd] = notifier;
}

void QtExecutor::unwatch(int fd)
{
    const auto it = m_notifiers.find(fd);
    if (it == m_notifiers.end())
        return;
    // The notifier may be the one whose signal is running: disable now, delete later.
    it->second->setEnabled(false);
    it->second->deleteLater();
    m_notifiers.erase(it);
}

void QtExecutor::post(std::function<void()> task)
{
    QMetaObject::invokeMethod(m_context.get(), std::move(task), Qt::QueuedConnection);
}

void QtExecutor::postDelayed(std::chrono::milliseconds delay, std::function<void()> task)
{
    QTimer::singleShot(delay, m_context.get(), std::move(task));
}

} // namespace velmora::automation
