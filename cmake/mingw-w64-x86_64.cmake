# Cross-compiles for Windows x86-64 with MinGW-w64. The -posix compilers give std::mutex and
# std::thread (GoogleTest needs them); -static keeps the program free of libwinpthread-1.dll
# and the GCC runtime DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(tempinex_mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${tempinex_mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${tempinex_mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${tempinex_mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${tempinex_mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C library's localtime_r and gmtime_r are there only under this POSIX switch.
set(tempinex_mingw_defines "-DUNICODE -D_UNICODE -D_POSIX_THREAD_SAFE_FUNCTIONS=200112L")
set(CMAKE_C_FLAGS_INIT "${tempinex_mingw_defines}")
set(CMAKE_CXX_FLAGS_INIT "${tempinex_mingw_defines}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest starts the test programs under Wine as an unprivileged user
# (scripts/windows/run-tests.sh prepares the Wine prefix for it).
get_filename_component(tempinex_source_dir ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${tempinex_source_dir}/scripts/windows/wine-user.sh wine)
