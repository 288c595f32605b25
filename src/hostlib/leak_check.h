#pragma once

// Sanitizer builds only. The leak checker normally runs from an exit handler,
// after the GL driver has begun tearing down its worker threads, and its
// thread walk now and then crashes on one that is half gone. Checking as soon
// as the work is done, while those threads still idle, avoids the race; the
// exit-time check then does nothing. A no-op in every other build.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace vex3d {

inline void checkLeaksNow() {
#if defined(__SANITIZE_ADDRESS__)
  __lsan_do_leak_check();
#endif
}

}  // namespace vex3d
