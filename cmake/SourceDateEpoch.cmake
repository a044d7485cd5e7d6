# The build's time for Windows outputs: the last commit's, never the clock's, so that two
# builds of one commit give the same bytes. Sets OVERLAY_SOURCE_DATE_EPOCH and has every link
# run with SOURCE_DATE_EPOCH set, from which binutils' ld writes the PE header's time stamp.
# Requires: SOURCE_DATE_EPOCH in the environment, or a git checkout. Include it before any
# target is made. Does not: touch the Debian package, whose times come from debian/changelog.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(OVERLAY_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE OVERLAY_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET)
endif()
if(NOT OVERLAY_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "no SOURCE_DATE_EPOCH and no git commit to take the build's time from")
endif()
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${OVERLAY_SOURCE_DATE_EPOCH})
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_CXX_LINKER_LAUNCHER})

