# Helpers shared by the two programs' build files: they add a program with its
# version resource and manifest, and a unit-test program run through ctest
# (under Wine when cross-compiling).

set(TOOLS_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)

# Builds GoogleTest from Debian's sources and, for Windows builds, makes ctest
# run every test program under wine64 in a prefix owned by this build tree.
macro(tools_setup_tests)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(CMAKE_CROSSCOMPILING)
    set(TOOLS_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        env WINEPREFIX=${TOOLS_WINEPREFIX} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
            /usr/lib/wine/wine64)
    # One Wine session for the whole run, started with every stream closed:
    # Wine's background services would otherwise keep ctest's pipes open.
    add_test(NAME wine_session_start COMMAND ${TOOLS_ROOT}/scripts/wine-session start ${TOOLS_WINEPREFIX})
    add_test(NAME wine_session_stop COMMAND ${TOOLS_ROOT}/scripts/wine-session stop ${TOOLS_WINEPREFIX})
    # Every test has a time limit of several times its usual time, so that a
    # hang fails the test instead of holding up the run.
    set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
    set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
  endif()
endmacro()

# tools_program(NAME <exe name> DESCRIPTION <text> SOURCES <files...> LIBS <libs...>)
# A Windows console program with a version resource and an application manifest.
function(tools_program)
  cmake_parse_arguments(ARG "" "NAME;DESCRIPTION" "SOURCES;LIBS" ${ARGN})
  set(PROGRAM_NAME ${ARG_NAME})
  set(PROGRAM_DESCRIPTION ${ARG_DESCRIPTION})
  set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${ARG_NAME}.manifest)
  set(PROGRAM_MANIFEST ${manifest})
  configure_file(${TOOLS_ROOT}/cmake/program.manifest.in ${manifest} @ONLY)
  configure_file(${TOOLS_ROOT}/cmake/program.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${ARG_NAME}.rc @ONLY)
  add_executable(${ARG_NAME} ${ARG_SOURCES} ${CMAKE_CURRENT_BINARY_DIR}/${ARG_NAME}.rc)
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS})
  install(TARGETS ${ARG_NAME} RUNTIME DESTINATION .)
endfunction()

# tools_unit_tests(NAME <test program> SOURCES <files...> LIBS <libs...>)
function(tools_unit_tests)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME} --gtest_brief=1)
  set_tests_properties(${ARG_NAME} PROPERTIES TIMEOUT 300)
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(${ARG_NAME} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()

# tools_add_modules(PREFIX <name> PROGRAM <exe name> DESCRIPTION <text>
#                   PLATFORM_MODULES <modules...> PLATFORM_LIBS <libs...>)
# Builds one program from the module files of the current folder: `main.cpp`
# is the entry; `X.cpp` with `X.h` is a module and `X_test.cpp` its unit test.
# Modules named in PLATFORM_MODULES call Win32 and build only for Windows;
# every other module is pure and also builds natively, for the host tests.
function(tools_add_modules)
  cmake_parse_arguments(ARG "" "PREFIX;PROGRAM;DESCRIPTION" "PLATFORM_MODULES;PLATFORM_LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(pure_sources)
  set(pure_tests)
  set(platform_sources)
  set(platform_tests)
  foreach(source IN LISTS sources)
    get_filename_component(name ${source} NAME_WE)
    string(REGEX REPLACE "_test$" "" module ${name})
    if(name STREQUAL "main")
      continue()
    elseif(module IN_LIST ARG_PLATFORM_MODULES)
      if(name STREQUAL module)
        list(APPEND platform_sources ${source})
      else()
        list(APPEND platform_tests ${source})
      endif()
    elseif(name STREQUAL module)
      list(APPEND pure_sources ${source})
    else()
      list(APPEND pure_tests ${source})
    endif()
  endforeach()

  add_library(${ARG_PREFIX}_core STATIC ${pure_sources})
  target_include_directories(${ARG_PREFIX}_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  if(TOOLS_TESTS AND pure_tests)
    tools_unit_tests(NAME ${ARG_PREFIX}_unit_tests SOURCES ${pure_tests} LIBS ${ARG_PREFIX}_core)
  endif()
  if(NOT WIN32)
    return()
  endif()

  if(platform_sources)
    add_library(${ARG_PREFIX}_platform STATIC ${platform_sources})
    target_link_libraries(${ARG_PREFIX}_platform PUBLIC ${ARG_PREFIX}_core ${ARG_PLATFORM_LIBS})
  else()
    add_library(${ARG_PREFIX}_platform INTERFACE)
    target_link_libraries(${ARG_PREFIX}_platform INTERFACE ${ARG_PREFIX}_core ${ARG_PLATFORM_LIBS})
  endif()
  tools_program(NAME ${ARG_PROGRAM} DESCRIPTION ${ARG_DESCRIPTION}
                SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp LIBS ${ARG_PREFIX}_platform)
  if(TOOLS_TESTS AND platform_tests)
    tools_unit_tests(NAME ${ARG_PREFIX}_platform_tests SOURCES ${platform_tests}
                     LIBS ${ARG_PREFIX}_platform)
  endif()
endfunction()
