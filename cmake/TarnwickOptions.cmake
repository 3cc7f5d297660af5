# Compiler settings shared by every target of the project: warnings, sanitizers, fuzzing.
add_library(tarnwick_options INTERFACE)
add_library(Tarnwick::options ALIAS tarnwick_options)

target_compile_options(tarnwick_options INTERFACE -Wall -Wextra -Wpedantic)
# GCC 12's optimiser reports std::string and std::variant internals as overlapping or uninitialised
# (false positives fixed in GCC 13); they would drown real warnings in optimised builds.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(tarnwick_options INTERFACE
    $<$<NOT:$<CONFIG:Debug>>:-Wno-restrict -Wno-maybe-uninitialized>)
endif()
if(TARNWICK_WARNINGS_AS_ERRORS)
  target_compile_options(tarnwick_options INTERFACE -Werror)
endif()

if(TARNWICK_SANITIZE)
  set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(tarnwick_options INTERFACE ${sanitizers})
  target_link_options(tarnwick_options INTERFACE ${sanitizers})
endif()

if(TARNWICK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TARNWICK_FUZZ needs clang (configure with the 'fuzz' preset)")
  endif()
  # Libraries get coverage instrumentation; only the fuzz executables link the libFuzzer driver.
  set(fuzz_flags -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(tarnwick_options INTERFACE ${fuzz_flags})
  target_link_options(tarnwick_options INTERFACE -fsanitize=address,undefined)
endif()
