// A target that imports qn_fixture.dll, so it starts only where the loader's search finds it.
#include <cstdio>

extern "C" __declspec(dllimport) int qn_fixture_value();

int main() {
  std::printf("qn_fixture_value %d\n", qn_fixture_value());
  return 0;
}
