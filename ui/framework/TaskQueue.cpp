#include "ui/framework/TaskQueue.h"

#include <utility>

#include "ui/framework/Trace.h"

namespace brevix::framework {

UINT TaskQueue::Message() {
  static const UINT message = ::RegisterWindowMessageW(L"Brevix.UiTasks");
  return message;
}

void TaskQueue::Bind(HWND window) {
  std::lock_guard lock(mutex_);
  window_ = window;
  ownerThread_ = ::GetWindowThreadProcessId(window, nullptr);
  if (!tasks_.empty() && !wakePosted_) wakePosted_ = ::PostMessageW(window_, Message(), 0, 0) != FALSE;
}

bool TaskQueue::Post(Task task) {
  std::lock_guard lock(mutex_);
  if (closed_) return false;
  tasks_.push_back(std::move(task));
  // One wake-up covers every task queued before it is handled.
  if (window_ && !wakePosted_) wakePosted_ = ::PostMessageW(window_, Message(), 0, 0) != FALSE;
  return true;
}

void TaskQueue::RunPending() {
  std::deque<Task> batch;
  {
    std::lock_guard lock(mutex_);
    wakePosted_ = false;
    batch.swap(tasks_);
  }
  for (Task& task : batch) {
    try {
      task();
    } catch (...) {
      TraceSwallowedException("a queued task");
    }
  }
}

void TaskQueue::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  tasks_.clear();
  window_ = nullptr;
}

}  // namespace brevix::framework
