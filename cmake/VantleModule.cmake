# SPDX-License-Identifier: GPL-3.0-or-later
# With VANTLE_PRECOMPILE_HEADERS (the sanitizer presets, which build from
# scratch) every target reuses one of two precompiled headers: Qt Core for the
# libraries that stay below the GUI, Qt Widgets for the rest and the tests.
option(VANTLE_PRECOMPILE_HEADERS "Precompile the Qt and standard headers" OFF)
if(VANTLE_PRECOMPILE_HEADERS)
  set(pch_dir ${PROJECT_BINARY_DIR}/pch)
  file(WRITE ${pch_dir}/core.cpp "// precompiled header: Qt Core\n")
  file(WRITE ${pch_dir}/gui.cpp "// precompiled header: Qt Widgets\n")
  set(pch_core <QObject> <QString> <QStringList> <QList> <QHash> <QSet> <QDir> <QFile>
      <QFileInfo> <QUrl> <QDateTime> <QTimer> <QFuture> <QPromise> <QThread> <QPointer>
      <QCoreApplication> <QByteArray> <QDebug> <optional> <functional> <algorithm> <vector>
      <memory> <chrono> <cstdint> <atomic>)
  add_library(vantle_pch_core STATIC ${pch_dir}/core.cpp)
  # GIO brings -pthread, which every target has and a header must be built with.
  target_link_libraries(vantle_pch_core PRIVATE Qt6::Core PkgConfig::GIO)
  target_precompile_headers(vantle_pch_core PRIVATE ${pch_core})
  add_library(vantle_pch_gui STATIC ${pch_dir}/gui.cpp)
  target_link_libraries(vantle_pch_gui PRIVATE Qt6::Widgets PkgConfig::GIO)
  target_precompile_headers(vantle_pch_gui PRIVATE ${pch_core} <QWidget> <QPainter> <QLabel>
                            <QVBoxLayout> <QGuiApplication>)
endif()

# A unity build makes every source but the first look like a header to GCC,
# which then warns about test fixtures in anonymous namespaces.
if(CMAKE_UNITY_BUILD AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wno-subobject-linkage)
endif()

function(vantle_precompile target)
  if(NOT VANTLE_PRECOMPILE_HEADERS)
    return()
  endif()
  get_target_property(deps ${target} LINK_LIBRARIES)
  if(target MATCHES "^tests_" OR "Qt6::Widgets" IN_LIST deps)
    target_precompile_headers(${target} REUSE_FROM vantle_pch_gui)
  else()
    target_precompile_headers(${target} REUSE_FROM vantle_pch_core)
  endif()
endfunction()

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
  vantle_precompile(vantle_${name})
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
  vantle_precompile(tests_${name})
  gtest_discover_tests(tests_${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${name}" TIMEOUT 180 ${lock})
  # Tests that run the program itself need it built first; the others do not wait for it.
  if(ARG_RUNS_PROGRAM)
    add_dependencies(tests_${name} vantle)
  endif()
endfunction()
