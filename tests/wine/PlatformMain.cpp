#include <cstring>

#include "WineTestMain.h"

namespace brevix {
int RunLogChild(const char* code);
}

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--append-log-child") == 0) return brevix::RunLogChild(argv[2]);
  ::testing::InitGoogleTest(&argc, argv);
  return brevix::testing::RunAllTestsWithoutSkips();
}
