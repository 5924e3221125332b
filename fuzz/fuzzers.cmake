# libFuzzer targets; included by cmake/sanitizers.cmake with TEMPINEX_FUZZ and clang, after
# every other folder (see fuzz/run.sh).
function(tempinex_fuzzer name)
  add_executable(${name} ${ARGN})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

tempinex_fuzzer(dos_attrib_fuzz ${CMAKE_CURRENT_LIST_DIR}/dos_attrib_fuzz.cpp)
target_link_libraries(dos_attrib_fuzz PRIVATE tempinex_core)
tempinex_fuzzer(file_name_fuzz ${CMAKE_CURRENT_LIST_DIR}/file_name_fuzz.cpp)
target_link_libraries(file_name_fuzz PRIVATE tempinex_core)
tempinex_fuzzer(field_number_fuzz ${CMAKE_CURRENT_LIST_DIR}/field_number_fuzz.cpp)
target_link_libraries(field_number_fuzz PRIVATE tempinex_dialog)

# The dialog through its real widgets, with the dialog tests' harness.
if(TARGET tempinex_qt)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  tempinex_fuzzer(dialog_edits_fuzz ${CMAKE_CURRENT_LIST_DIR}/dialog_edits_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/tests/dialog/test_support.cpp)
  target_include_directories(dialog_edits_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/tests/dialog)
  target_link_libraries(dialog_edits_fuzz PRIVATE tempinex_qt)
endif()
