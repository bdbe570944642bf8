#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace jov {

// One thread that runs jobs in the order given, started with its owner so it
// is idle and waiting when a job comes: a thread made for the job could wait
// milliseconds for a processor while the caller keeps both busy. A job given
// in a child made by fork(), which has no such thread, runs at once on the
// caller's.
class Worker {
 public:
  Worker();
  // Runs the jobs already given, then stops.
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  template <typename Job>
  auto Run(Job job) -> std::shared_future<decltype(job())> {
    auto task = std::make_shared<std::packaged_task<decltype(job())()>>(std::move(job));
    auto result = task->get_future().share();
    Give([task] { (*task)(); });
    return result;
  }

 private:
  void Give(std::function<void()> job);
  void Loop();

  std::int64_t m_pid;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<std::function<void()>> m_jobs;
  bool m_stop = false;
  std::thread m_thread;
};

}  // namespace jov
