# Cross-compiles the tool for 64-bit Windows with Debian's mingw-w64, in its posix thread model
# (package g++-mingw-w64-x86-64-posix), whose C++ library has std::thread; winpthread is linked
# in statically.
#   cmake --preset mingw && cmake --build --preset mingw    ->  build/mingw/vandlor2.exe
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VANDLOR2_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${VANDLOR2_MINGW_PREFIX}-g++-posix)
if(NOT CMAKE_CXX_COMPILER)
  message(FATAL_ERROR "The mingw-w64 C++ cross compiler of the posix thread model is missing: "
                      "apt-get install g++-mingw-w64-x86-64-posix")
endif()
find_program(CMAKE_RC_COMPILER NAMES ${VANDLOR2_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VANDLOR2_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: the C++ runtime, libgcc and winpthread are linked in, so nothing but
# system DLLs is needed at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
