# SPDX-License-Identifier: GPL-3.0-or-later
# One static library per folder under src/. Sources are globbed so that a new
# class needs no build-file edit; CONFIGURE_DEPENDS re-runs the glob on build.
function(vantle_module name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT sources)
    set(sources ${CMAKE_CURRENT_BINARY_DIR}/empty.cpp)
    file(WRITE ${sources} "// placeholder until the folder has sources\n")
  endif()
  add_library(vantle_${name} STATIC ${sources})
  target_include_directories(vantle_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(vantle_${name} PUBLIC ${ARG_DEPS})
endfunction()

# One GoogleTest executable per folder under tests/, every test registered with CTest.
function(vantle_test_folder name)
  cmake_parse_arguments(ARG "SHARES_DISPLAY;RUNS_PROGRAM" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT sources)
    return()
  endif()
  # Tests that put windows on the one X display (pointer, focus, tray) take turns.
  set(lock "")
  if(ARG_SHARES_DISPLAY)
    set(lock RESOURCE_LOCK display)
  endif()
  add_executable(tests_${name} ${sources})
  target_link_libraries(tests_${name} PRIVATE vantle_test_support ${ARG_DEPS})
  gtest_discover_tests(tests_${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${name}" TIMEOUT 180 ${lock})
  # Tests that run the program itself need it built first; the others do not wait for it.
  if(ARG_RUNS_PROGRAM)
    add_dependencies(tests_${name} vantle)
  endif()
endfunction()
