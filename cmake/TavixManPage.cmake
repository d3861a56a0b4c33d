# Man pages made from a program's own --help at build time, so that they
# never fall behind the options the program takes.
#
#   tavix_add_man_page(<target> <section> [SUMMARY <text>])
#
# Builds <name>.<section> in ${CMAKE_CURRENT_BINARY_DIR}/man, where <name> is
# the target's output name, and installs it into
# ${CMAKE_INSTALL_MANDIR}/man<section>. The page is remade whenever the
# program is. SUMMARY is the one line of the NAME section (default: the
# first sentence of the help's description). The program runs with
# QT_QPA_PLATFORM=offscreen, so --help needs no display. For example:
#
#   add_executable(tavix main.cpp)
#   tavix_add_man_page(tavix 1 SUMMARY "command-line access to the sensor")
#
# What the help text may look like is described in help-to-roff.cmake.
include_guard(GLOBAL)
include(GNUInstallDirs)

set(TAVIX_HELP_TO_ROFF ${CMAKE_CURRENT_LIST_DIR}/help-to-roff.cmake)

function(tavix_add_man_page target section)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "" "SUMMARY" "")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tavix_add_man_page: unexpected arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    message(STATUS "No man page for ${target}: it cannot run on the build machine")
    return()
  endif()
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${name}.${section})
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND}
            -DPROGRAM=$<TARGET_FILE:${target}> -DNAME=${name} -DSECTION=${section}
            "-DSUMMARY=${ARG_SUMMARY}" -DVERSION=${PROJECT_VERSION}
            "-DSOURCE=${PROJECT_NAME} ${PROJECT_VERSION}" -DOUTPUT=${page}
            -P ${TAVIX_HELP_TO_ROFF}
    DEPENDS ${target} ${TAVIX_HELP_TO_ROFF}
    COMMENT "Writing the man page ${name}(${section}) from ${name} --help"
    VERBATIM)
  add_custom_target(${target}_man_page ALL DEPENDS ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
