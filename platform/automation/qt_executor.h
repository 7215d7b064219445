#pragma once
// QtExecutor: the Executor of a Qt program's main thread (QtCore only): watched fds
// through QSocketNotifier, posted tasks through queued calls. Create it on the
// thread whose event loop serves the calls. Nested loops (QDialog::exec,
// QEventLoop) keep serving. A callback that throws is reported on stderr and the loop
// goes on: no exception may unwind through Qt's event loop.

#include "platform/automation/executor.h"

#include <map>
#include <memory>
#include <vector>

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
    std::map<int, std::unique_ptr<QSocketNotifier>> m_notifiers;
    // Notifiers unwatched from inside their own signal, deleted on the next turn of the loop.
    std::vector<std::unique_ptr<QSocketNotifier>> m_retired;
};

} // namespace velmora::automation
