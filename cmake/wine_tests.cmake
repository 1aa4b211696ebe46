# SPDX-License-Identifier: Apache-2.0
# ctest under Wine for the Windows cross build. Every test runs in a private
# Wine prefix, quietly and with a UTF-8 locale. A ctest fixture starts the
# prefix's wineserver before the first test and ends it after the last: a
# server already running spares every test Wine's start-up, and one started
# with its output detached keeps ctest from waiting on the pipes that a
# server started by the first test would inherit.
set(TORVANE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Private Wine prefix of the Windows tests")

set(TORVANE_HOST_TESTS "" CACHE PATH
  "The tests folder of a native build, whose end-to-end test drives the Windows programs under Wine")

set(TORVANE_WINE_ENVIRONMENT "WINEPREFIX=${TORVANE_WINEPREFIX};WINEDEBUG=-all;LANG=C.UTF-8")

add_test(NAME wine_server_start COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-server start)
add_test(NAME wine_server_stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-server stop)
set_tests_properties(wine_server_start PROPERTIES FIXTURES_SETUP wine_server
  ENVIRONMENT "${TORVANE_WINE_ENVIRONMENT}" TIMEOUT 300)
set_tests_properties(wine_server_stop PROPERTIES FIXTURES_CLEANUP wine_server
  ENVIRONMENT "${TORVANE_WINE_ENVIRONMENT}")

# Gives a test the Wine environment and the running server. A test with
# DESKTOP makes windows on a private desktop of its own (with-desktop):
# Wine binds a prefix's desktop to the display its first program saw, so
# such a test gets a prefix of its own, whose server it starts itself
# under that display.
function(torvane_wine_test name)
  cmake_parse_arguments(ARG "DESKTOP" "" "" ${ARGN})
  if(ARG_DESKTOP)
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
      "WINEPREFIX=${TORVANE_WINEPREFIX}-${name};WINEDEBUG=-all;LANG=C.UTF-8")
  else()
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT ${TORVANE_WINE_ENVIRONMENT})
    set_property(TEST ${name} APPEND PROPERTY FIXTURES_REQUIRED wine_server)
  endif()
endfunction()
