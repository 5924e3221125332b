# TEMPINEX_SANITIZE builds everything with AddressSanitizer and UndefinedBehaviorSanitizer;
# any report stops the program (no recovery), so a test run fails on the first finding.
option(TEMPINEX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(TEMPINEX_SANITIZE)
  set(tempinex_sanitize_flags
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${tempinex_sanitize_flags})
  add_link_options(${tempinex_sanitize_flags})
endif()

# TEMPINEX_FUZZ (clang only) builds the libFuzzer targets of fuzz/, with everything they link
# instrumented for coverage and checked by both sanitizers.
option(TEMPINEX_FUZZ "Build the libFuzzer targets (clang)" OFF)
if(TEMPINEX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TEMPINEX_FUZZ needs clang++ (CMAKE_CXX_COMPILER=clang++)")
  endif()
  set(tempinex_fuzz_flags
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${tempinex_fuzz_flags})
  add_link_options(-fsanitize=address,undefined)
  # After every other folder, so that the targets the fuzzers link are known.
  cmake_language(DEFER CALL include ${PROJECT_SOURCE_DIR}/fuzz/fuzzers.cmake)
endif()
