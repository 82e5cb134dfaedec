# SPDX-License-Identifier: GPL-3.0-or-later
# VANTLE_SANITIZE: "address" (AddressSanitizer with UndefinedBehaviorSanitizer) or
# "thread" (ThreadSanitizer); empty builds without. Set by the asan and tsan presets.
set(VANTLE_SANITIZE "" CACHE STRING "Sanitizers to build with: address, thread or empty")
if(VANTLE_SANITIZE STREQUAL "address")
  set(flags -fsanitize=address,undefined -fno-sanitize-recover=undefined)
  # GCC 12 miscompiles calls through member-function pointers under
  # -fsanitize=vptr (a false stack-buffer-underflow in ToastShortcuts), so the
  # vptr check is left to other compilers.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    list(APPEND flags -fno-sanitize=vptr)
  endif()
elseif(VANTLE_SANITIZE STREQUAL "thread")
  set(flags -fsanitize=thread)
  # Every program takes clone() from src/platform/TsanClone.cpp, which keeps
  # QProcess's children out of the parent's ThreadSanitizer state.
  add_link_options(-Wl,--undefined=clone)
elseif(NOT VANTLE_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VANTLE_SANITIZE is address, thread or empty, not ${VANTLE_SANITIZE}")
endif()
if(VANTLE_SANITIZE)
  # Frame pointers give whole stacks in reports. -O1 keeps the suite's run time
  # bearable; line tables (-g1) are all a report's stack needs, and build and
  # link far faster than full debug info.
  list(APPEND flags -fno-omit-frame-pointer -O1 -g1)
  add_compile_options(${flags})
  add_link_options(${flags})
endif()

# The fuzz targets' libraries are instrumented for coverage without libFuzzer's
# main; the targets themselves link it (tests/fuzz).
if(VANTLE_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VANTLE_BUILD_FUZZ needs clang (cmake --preset fuzz)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
