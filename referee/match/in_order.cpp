#include "referee/match/in_order.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace referee {
namespace {

int run_here(const OrderedJobs& jobs) {
    int delivered = 0;
    for (int i = 0; i < jobs.count && jobs.may_start(); ++i) {
        jobs.announce(i);
        jobs.play(i);
        ++delivered;
        if (!jobs.deliver(i))
            break;
    }
    return delivered;
}

}  // namespace

int run_in_order(const OrderedJobs& jobs, int workers) {
    workers = std::min(workers, jobs.count);
    if (workers <= 1)
        return run_here(jobs);

    std::mutex mutex;
    std::condition_variable changed;
    int next = 0;  // the first job not yet started
    int running_workers = workers;
    bool stop = false;
    std::vector<char> finished(static_cast<std::size_t>(jobs.count), 0);

    const auto work = [&] {
        std::unique_lock lock(mutex);
        while (!stop && next < jobs.count && jobs.may_start()) {
            const int job = next++;
            changed.notify_all();
            lock.unlock();
            jobs.play(job);
            lock.lock();
            finished[static_cast<std::size_t>(job)] = 1;
            changed.notify_all();
        }
        --running_workers;
        changed.notify_all();
    };
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(workers));
    for (int w = 0; w < workers; ++w)
        threads.emplace_back(work);

    int delivered = 0;
    for (int job = 0; job < jobs.count; ++job) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return job < next || running_workers == 0; });
        if (job >= next)
            break;  // it will never start
        lock.unlock();
        jobs.announce(job);
        lock.lock();
        changed.wait(lock, [&] { return finished[static_cast<std::size_t>(job)] != 0; });
        lock.unlock();
        ++delivered;
        if (!jobs.deliver(job)) {
            lock.lock();
            stop = true;
            break;
        }
    }
    for (auto& thread : threads)
        thread.join();
    return delivered;
}

}  // namespace referee
