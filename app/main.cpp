#include <cstdio>

int main() {
  std::puts("Rendax2023");
  return 0;
}
