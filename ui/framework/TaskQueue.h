#pragma once
// Work handed to a window's thread from other threads: a locked queue of tasks and one posted
// message that tells the window to run them, in the order they were posted. Worker threads
// never touch a window themselves; they post here.
#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

namespace brevix::framework {

class TaskQueue {
 public:
  using Task = std::function<void()>;

  // The registered message the window passes to RunPending.
  static UINT Message();

  // The window whose thread runs the tasks; tasks posted before Bind wait for it.
  void Bind(HWND window);
  // Any thread. False when no window can take the task any more (it is dropped).
  bool Post(Task task);
  // The window's thread: runs every task queued so far, in order. A task that throws is
  // dropped; the rest still run.
  void RunPending();
  // From now on tasks are dropped; pending ones are discarded.
  void Close();
  bool OnOwnerThread() const { return ownerThread_ != 0 && ::GetCurrentThreadId() == ownerThread_; }

 private:
  std::mutex mutex_;
  std::deque<Task> tasks_;
  HWND window_ = nullptr;
  DWORD ownerThread_ = 0;
  bool closed_ = false;
  bool wakePosted_ = false;
};

}  // namespace brevix::framework
