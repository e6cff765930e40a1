// A DLL for the environment tests: the value shows that the loader found this very file.
extern "C" __declspec(dllexport) int qn_fixture_value() { return 4711; }
