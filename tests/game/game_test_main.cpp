// Entry point of the game's tests: they link the fake framework, not the
// framework's shared test main.
#include <gtest/gtest.h>

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
