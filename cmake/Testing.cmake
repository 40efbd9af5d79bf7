# GoogleTest from Debian's source package, built with the cross compiler.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Every test executable runs under Wine through the project's wrapper, which
# owns the project-local prefix and the display.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_SOURCE_DIR}/tools/wine-run CACHE STRING "" FORCE)

# Where tests/fixtures builds the modem-line preload library of SERIAL tests.
set(VEL_MODEMLINES_DIR ${CMAKE_BINARY_DIR}/modemlines)

# What every googletest program of the suite runs with: the shared prefix, and
# the rule that only a run that reached its final summary passes.
set(VEL_GTEST_ENVIRONMENT "VEL_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix" "VEL_GTEST=1")

# vel_add_test(name SOURCES ... LIBS ... [WINDOWS] [FOCUS] [SERIAL])
#   WINDOWS: the test creates windows and needs the X display.
#   FOCUS:   the test activates windows or moves the keyboard focus, which the
#            whole display shares, so such tests run one at a time.
#   SERIAL:  the test uses the virtual null-modem fixture.
function(vel_add_test name)
  cmake_parse_arguments(T "WINDOWS;FOCUS;SERIAL" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gmock gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  add_test(NAME ${name} COMMAND ${name})
  vel_register_executable(${name})
  set(env ${VEL_GTEST_ENVIRONMENT})
  set(labels "")
  if(T_WINDOWS)
    list(APPEND labels windows)
  endif()
  if(T_SERIAL)
    list(APPEND env "VEL_PEER=1" "VEL_MODEMLINES_DIR=${VEL_MODEMLINES_DIR}")
    list(APPEND labels serial)
    target_link_libraries(${name} PRIVATE vel_peer_client)
  endif()
  set(locks "")
  if(T_FOCUS)
    list(APPEND locks display_focus)
  endif()
  if(T_SERIAL)
    # One port test at a time: with several processes opening freshly linked
    # ptys at once, Wine now and then refuses the first settings call.
    list(APPEND locks serial_ports)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" LABELS "${labels}" TIMEOUT 300
                                          RESOURCE_LOCK "${locks}")
endfunction()

# Every executable of the project (programs and tests) is checked for imports
# of anything but system DLLs.
set_property(GLOBAL PROPERTY VEL_EXECUTABLES "")
function(vel_register_executable target)
  set_property(GLOBAL APPEND PROPERTY VEL_EXECUTABLES "$<TARGET_FILE:${target}>")
endfunction()

function(vel_add_imports_test)
  get_property(exes GLOBAL PROPERTY VEL_EXECUTABLES)
  add_test(NAME system_imports_only
           COMMAND ${CMAKE_SOURCE_DIR}/tools/check-imports ${exes})
endfunction()

# vel_add_caption_fit(prefix core program): <prefix>_captionfit_test measures
# every text of the program's forms (CaptionFitTest.cpp of the calling
# folder); <prefix>_captionfit_pictures shows each form in each language and
# puts them on the contact sheet <program>-captions.png of the build folder.
function(vel_add_caption_fit prefix core program)
  set(test ${prefix}_captionfit_test)
  vel_add_test(${test}
    SOURCES CaptionFitTest.cpp ${PROJECT_SOURCE_DIR}/tests/support/CaptionFit.cpp
    LIBS ${core} WINDOWS FOCUS)
  vel_add_manifest(${test})
  add_dependencies(${test} ${program})
  add_test(NAME ${prefix}_captionfit_pictures
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/support/captionfit-pictures.sh
                   $<TARGET_FILE:${test}> ${CMAKE_CURRENT_BINARY_DIR}/captionfit
                   ${PROJECT_BINARY_DIR}/${program}-captions.png)
  set_tests_properties(${prefix}_captionfit_pictures PROPERTIES
                       ENVIRONMENT "VEL_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix"
                       LABELS windows RESOURCE_LOCK display_focus TIMEOUT 300)
endfunction()
