#pragma once
// What the program's thread and the GUI thread share: the events waiting for the
// program, the shut-down flag that cancels every wait, and the palette.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/console.h"

namespace platform::qt {

class Channel {
 public:
  Channel() {
    for (int i = 0; i < 16; ++i) palette_[i] = default_palette(i);
  }

  // Queues an event for the program. A timer tick is not queued twice for one window.
  void post(const Event& e) {
    {
      std::lock_guard lock(mutex);
      if (shut_down) return;
      if (e.kind == EventKind::Timer)
        for (const Event& q : events)
          if (q.kind == EventKind::Timer && q.code == e.code) return;
      events.push_back(e);
    }
    cv.notify_all();
  }
  // The window system is gone: every wait ends, every later request is cancelled.
  void shut_down_now() {
    {
      std::lock_guard lock(mutex);
      shut_down = true;
    }
    cv.notify_all();
  }
  bool is_shut_down() {
    std::lock_guard lock(mutex);
    return shut_down;
  }

  std::uint32_t palette(int index) const { return (index >= 0 && index < 16) ? palette_[index].load() : 0; }
  void set_palette(int index, std::uint32_t rgb) {
    if (index >= 0 && index < 16) palette_[index] = rgb & 0xFFFFFF;
  }

  std::mutex mutex;
  std::condition_variable cv;
  std::deque<Event> events;  // guarded by mutex
  bool shut_down = false;    // guarded by mutex
  int last_menu = 0;         // guarded by mutex

 private:
  std::array<std::atomic<std::uint32_t>, 16> palette_{};
};

}  // namespace platform::qt
