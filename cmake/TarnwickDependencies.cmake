# Third-party libraries, all found on the system (scripts/install-deps puts them there).
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBPLIST REQUIRED IMPORTED_TARGET libplist-2.0)
find_package(ICU REQUIRED COMPONENTS uc i18n)
find_package(nlohmann_json 3.10 REQUIRED)
find_package(CLI11 REQUIRED)
find_package(Threads REQUIRED)

# libplist changed its API after 2.2: detect the newer calls instead of trusting version numbers.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_INCLUDES ${LIBPLIST_INCLUDE_DIRS})
set(CMAKE_REQUIRED_LIBRARIES PkgConfig::LIBPLIST)
check_cxx_source_compiles([[
  #include <plist/plist.h>
  int main() { plist_t p = nullptr; plist_format_t f; return plist_from_memory("", 0, &p, &f) == PLIST_ERR_SUCCESS; }
]] TARNWICK_PLIST_HAS_FORMAT_OUT)
check_cxx_source_compiles([[
  #include <plist/plist.h>
  int main() { int64_t s = 0; plist_get_unix_date_val(nullptr, &s); return 0; }
]] TARNWICK_PLIST_HAS_UNIX_DATE)
check_cxx_source_compiles([[
  #include <plist/plist.h>
  int main() { plist_mem_free(nullptr); return 0; }
]] TARNWICK_PLIST_HAS_MEM_FREE)
unset(CMAKE_REQUIRED_INCLUDES)
unset(CMAKE_REQUIRED_LIBRARIES)

# Qt only for the window, its store and the offer service; the core and the command line do without.
if(TARNWICK_GUI)
  # Svg draws symbols at any size; the linguist tools make the translation template and plural forms.
  find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Network Svg LinguistTools)
  if(NOT APPLE)
    # The window reveals files through the desktop's file manager over D-Bus.
    find_package(Qt6 6.4 REQUIRED COMPONENTS DBus)
  endif()
  if(TARNWICK_TESTS)
    find_package(Qt6 6.4 REQUIRED COMPONENTS Test)
  endif()
endif()

if(TARNWICK_TESTS)
  find_package(GTest REQUIRED)
endif()
if(TARNWICK_BENCH)
  find_package(benchmark REQUIRED)
endif()
