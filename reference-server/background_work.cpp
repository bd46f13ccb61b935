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

void BackgroundWork::repeat(std::chrono::seconds period, Task task)
{
    {
        const std::lock_guard lock(mutex_);
        repeated_ = std::move(task);
        period_ = period;
        next_repeat_ = std::chrono::steady_clock::now();
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
        const auto due = [&] { return repeated_ && std::chrono::steady_clock::now() >= next_repeat_; };
        const auto ready = [&] { return stop_ || !tasks_.empty() || due(); };
        if (repeated_)
            changed_.wait_until(lock, next_repeat_, ready);
        else
            changed_.wait(lock, ready);
        if (stop_) return;
        Task task;
        if (!tasks_.empty()) {
            task = std::move(tasks_.front());
            tasks_.pop_front();
        } else if (due()) {
            task = repeated_;
            next_repeat_ = std::chrono::steady_clock::now() + period_;
        } else {
            continue;
        }
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
