#include "common/RunAlongside.h"

#include <QRunnable>
#include <QSemaphore>
#include <QThreadPool>

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

} // namespace

void runAlongside(const std::function<void()>& there, const std::function<void()>& here) {
    QThreadPool* pool = QThreadPool::globalInstance();
    Task task(there);
    pool->start(&task);
    here();
    if (pool->tryTake(&task))
        task.run();
    task.wait();
}
