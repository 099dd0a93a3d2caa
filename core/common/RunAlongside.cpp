#include "common/RunAlongside.h"

#include <QRunnable>
#include <QSemaphore>
#include <QThreadPool>

#include <cerrno>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

namespace {

class Task : public QRunnable {
public:
    explicit Task(const std::function<void()>& work) : work_(work) { setAutoDelete(false); }
    void run() override {
        work_();
        done_.release();
    }
    void wait() { done_.acquire(); }

private:
    const std::function<void()>& work_;
    QSemaphore done_;
};

bool runsBelowTheApp() {
    // On Linux each thread has its own nice value; the process id names the main thread's.
    errno = 0;
    const int mine = getpriority(PRIO_PROCESS, id_t(gettid()));
    const int app = getpriority(PRIO_PROCESS, id_t(getpid()));
    return errno == 0 && mine > app;
}

} // namespace

void runAlongside(const std::function<void()>& there, const std::function<void()>& here) {
    if (runsBelowTheApp()) {
        const std::jthread alongside(there);
        here();
        return;
    }
    QThreadPool* pool = QThreadPool::globalInstance();
    Task task(there);
    pool->start(&task);
    here();
    if (pool->tryTake(&task))
        task.run();
    task.wait();
}
