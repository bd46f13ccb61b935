#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// One thread that does the server's work nobody waits for (compressing the catalogues at their
// best) with the processor time that requests leave: it runs only when nothing else would.
class BackgroundWork {
public:
    // A task is given the flag that tells it to give up: the server is stopping.
    using Task = std::function<void(const std::atomic<bool>& stop)>;

    BackgroundWork();
    // Drops the tasks not begun and waits for the running one to give up.
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    void post(Task task);
    // Runs task every period, when no posted task is waiting; the first time at once.
    void repeat(std::chrono::seconds period, Task task);
    // Waits until every task posted so far has run (for tests).
    void settle();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Task> tasks_;
    Task repeated_;
    std::chrono::seconds period_{0};
    std::chrono::steady_clock::time_point next_repeat_;
    bool busy_ = false;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};
