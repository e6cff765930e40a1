# The launcher that stands in for .libs/fyx-rebuild-index.exe in the fyx-index build tree.

# Directories put in front of PATH, one entry a line; the build ends each with ";".
set(library_dirs
  /home/builder/fyx/stage/fyx-index-core-1.2/lib
  //home/builder/fyx/stage/fyx-store-0.9.1/lib
  /opt/fyx-deps/mingw64-rel/sqlite-3.45.2/lib
  /home/builder/fyx/build/../stage/fyx-hash-2.0/lib
  /opt/fyx-deps/mingw64-rel/libiconv-1.17-1/lib
)

set(program_dirs
  /home/builder/fyx/stage/fyx-index-core-1.2/lib
  /home/builder/fyx/stage/fyx-index-core-1.2/bin
  /home/builder/fyx/stage/fyx-index-core-1.2/lib64
  //home/builder/fyx/stage/fyx-store-0.9.1/lib
  //home/builder/fyx/stage/fyx-store-0.9.1/bin
  /opt/fyx-deps/mingw64-rel/sqlite-3.45.2/lib
  /opt/fyx-deps/mingw64-rel/sqlite-3.45.2/bin
  /opt/fyx-deps/mingw64-rel/zlib-1.3.1-minizip/lib
  /opt/fyx-deps/mingw64-rel/zlib-1.3.1-minizip/bin
  /home/builder/fyx/build/../stage/fyx-hash-2.0/lib
  /home/builder/fyx/build/../stage/fyx-hash-2.0/bin
  /opt/fyx-deps/mingw64-rel/libiconv-1.17-1/lib
  /opt/fyx-deps/mingw64-rel/libiconv-1.17-1/bin
  /opt/fyx-deps/mingw64-rel/lz4-1.9.4-dll/lib
  /opt/fyx-deps/mingw64-rel/lz4-1.9.4-dll/bin
  /opt/fyx-deps/mingw64-rel/xxhash-0.8.2-avx2/lib
  /opt/fyx-deps/mingw64-rel/xxhash-0.8.2-avx2/bin
  /lib
  /bin
)

# The wrapper script's not-installed library description files, in link order.
set(notinst_deplibs
  ../src/index/libfyx-index-builder.qla
  libfyx-rebuild-index-common.qla
  /home/builder/fyx/stage/fyx-index-core-1.2/lib/libfyx-index-core.qla
  /home/builder/fyx/stage/fyx-index-core-1.2/lib64/libfyx-index-simd-avx2.qla
  //home/builder/fyx/stage/fyx-store-0.9.1/lib/libfyx-store.qla
  //home/builder/fyx/stage/fyx-store-0.9.1/lib/libfyx-store.qla
  /opt/fyx-deps/mingw64-rel/sqlite-3.45.2/lib/libsqlite3.qla
  /opt/fyx-deps/mingw64-rel/zlib-1.3.1-minizip/lib/libminizip.qla
  /home/builder/fyx/build/../stage/fyx-hash-2.0/lib/libfyx-hash.qla
  /opt/fyx-deps/mingw64-rel/libiconv-1.17-1/lib/libiconv.qla
  /opt/fyx-deps/mingw64-rel/lz4-1.9.4-dll/lib/liblz4-frame.qla
  /opt/fyx-deps/mingw64-rel/xxhash-0.8.2-avx2/lib/libxxhash-x64.qla
)
