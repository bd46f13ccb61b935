#include "background_work.h"

#include <pthread.h>
#include <sched.h>

BackgroundWork::BackgroundWork() : thread_([this] { run(); }) {}

BackgroundWork::~BackgroundWork()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
        tasks_.clear();
    }
    changed_.notify_all();
    thread_.join();
}

void BackgroundWork::post(Task task)
{
    {
        const std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    changed_.notify_all();
}

void BackgroundWork::settle()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return tasks_.empty() && !busy_; });
}

void BackgroundWork::run()
{
    // Idle scheduling: requests and the rest of the machine come first. Where it is refused, the
    // work runs at the normal priority, only later.
    sched_param none{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &none);
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stop_ || !tasks_.empty(); });
        if (stop_) return;
        Task task = std::move(tasks_.front());
        tasks_.pop_front();
        busy_ = true;
        lock.unlock();
        try {
            task(stop_);
        } catch (...) {
            // What a task could not make is made again by the next call that needs it.
        }
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}
