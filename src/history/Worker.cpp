#include "history/Worker.h"

#include "platform/Process.h"

namespace jov {

Worker::Worker() : m_pid(CurrentPid()), m_thread([this] { Loop(); }) {}

Worker::~Worker() {
  if (CurrentPid() != m_pid) {
    // A forked child's copy: the thread is not in this process.
    m_thread.detach();
    return;
  }
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_one();
  m_thread.join();
}

void Worker::Give(std::function<void()> job) {
  if (CurrentPid() != m_pid) {
    job();
    return;
  }
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_jobs.push_back(std::move(job));
  }
  m_wake.notify_one();
}

void Worker::Loop() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
      if (m_jobs.empty()) return;
      job = std::move(m_jobs.front());
      m_jobs.pop_front();
    }
    job();
  }
}

}  // namespace jov
