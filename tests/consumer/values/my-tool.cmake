# The launcher that stands in for .libs/my-tool.exe in the consumer's build tree.
set(library_dirs /opt/my-deps/lib)
set(program_dirs /opt/my-deps/lib /opt/my-deps/bin)
set(notinst_deplibs ../src/libmine.qla)
