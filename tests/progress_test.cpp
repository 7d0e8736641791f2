#include "driver/progress.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvello {
namespace {

TEST(ProgressLine, CountsUpThroughEveryCarry) {
  ProgressLine progress;
  for (long long count = 1; count <= 100500; ++count) {
    progress.next();
    ASSERT_EQ(progress.text().text(), "line " + std::to_string(count) + " done \n");
  }
}

} // namespace
} // namespace tarvello
