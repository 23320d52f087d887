// A small library a test game declares functions from. It says on standard
// output when it is released, so a test sees when that happens.
#include <cstdio>

extern "C" {

int orv_test_add(int a, int b) { return a + b; }
int orv_test_twice(int a) { return 2 * a; }

__attribute__((destructor)) static void OrvTestReleased() {
  std::fputs("library released\n", stdout);
  std::fflush(stdout);
}
}
