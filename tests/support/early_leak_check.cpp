// Every test program checks for leaks once its tests are done rather than
// at exit (see hostlib/leak_check.h for why).
#include <gtest/gtest.h>

#include "hostlib/leak_check.h"

namespace {

class EarlyLeakCheck : public ::testing::Environment {
 public:
  void TearDown() override { vex3d::checkLeaksNow(); }
};

[[maybe_unused]] ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new EarlyLeakCheck);

}  // namespace
