# The Windows build (cmake/mingw-w64-x86_64.cmake): the core, the dialog with its Win32
# binding, and the Windows tests. GoogleTest comes from Debian's source package.
add_subdirectory(core)
if(EXISTS ${PROJECT_SOURCE_DIR}/ui/win32/CMakeLists.txt)
  add_subdirectory(dialog)
  add_subdirectory(ui/win32)
endif()

if(TEMPINEX_BUILD_TESTS)
  enable_testing()
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_subdirectory(tests/win32)
endif()
