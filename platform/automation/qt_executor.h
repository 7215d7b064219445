#pragma once
// QtExecutor: the Executor of a Qt program's main thread (QtCore only): watched fds
// through QSocketNotifier, posted tasks through queued calls. Create it on the
// thread whose event loop serves the calls. Nested loops (QDialog::exec,
// QEventLoop) keep serving.

#include "platform/automation/executor.h"

#include <map>
#include <memory>

class QObject;
class QSocketNotifier;

namespace velmora::automation {

class QtExecutor : public Executor {
public:
    QtExecutor();
    ~QtExecutor() override;
    QtExecutor(const QtExecutor&) = delete;
    QtExecutor& operator=(const QtExecutor&) = delete;

    void watch(int fd, std::function<void()> onReadable) override;
    void unwatch(int fd) override;
    void post(std::function<void()> task) override;
    void postDelayed(std::chrono::milliseconds delay, std::function<void()> task) override;

private:
    std::unique_ptr<QObject> m_context;
    std::map<int, QSocketNotifier*> m_notifiers;
};

} // namespace velmora::automation
