#include "WineTestMain.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return brevix::testing::RunAllTestsWithoutSkips();
}
