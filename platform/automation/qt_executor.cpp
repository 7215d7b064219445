#include "platform/automation/qt_executor.h"

#include "platform/automation/exception_guard.h"

#include <QMetaObject>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

namespace velmora::automation {

QtExecutor::QtExecutor() : m_context(std::make_unique<QObject>()) {}

QtExecutor::~QtExecutor() = default;

void QtExecutor::watch(int fd, std::function<void()> onReadable)
{
    unwatch(fd);
    auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, m_context.get(),
                     guarded("automation loop: watched descriptor", std::move(onReadable)));
    m_notifiers[fd] = std::move(notifier);
}

void QtExecutor::unwatch(int fd)
{
    const auto it = m_notifiers.find(fd);
    if (it == m_notifiers.end())
        return;
    // The notifier may be the one whose signal is running: disable now, delete later.
    it->second->setEnabled(false);
    m_retired.push_back(std::move(it->second));
    m_notifiers.erase(it);
    if (m_retired.size() == 1)
        post([this] { m_retired.clear(); });
}

void QtExecutor::post(std::function<void()> task)
{
    QMetaObject::invokeMethod(m_context.get(), guarded("automation loop: posted task", std::move(task)),
                              Qt::QueuedConnection);
}

void QtExecutor::postDelayed(std::chrono::milliseconds delay, std::function<void()> task)
{
    QTimer::singleShot(delay, m_context.get(), guarded("automation loop: timer", std::move(task)));
}

} // namespace velmora::automation
