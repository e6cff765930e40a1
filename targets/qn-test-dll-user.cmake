# A launcher for the test suite only: its library directory holds a DLL that its target imports,
# and nothing else on the machine does.
set(launcher_for_tests_only TRUE)

set(library_dirs /qn-dll-fixture/lib)
set(program_dirs /qn-dll-fixture/lib /qn-dll-fixture/bin)
set(notinst_deplibs libqn-dll-fixture.qla)
