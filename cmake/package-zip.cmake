# Run by CPack once it has made the packages (CPACK_POST_BUILD_SCRIPTS): the zip made again,
# from the same staged files, so that two builds of one commit give the same bytes.
# CMake 3.25's zip writer stores each file's inode change time, which no build can set, and
# takes the files in the order the file system lists them, which differs between file systems.
# Info-ZIP's zip, with -X, stores neither the times beyond the one a zip must have nor owners,
# and takes the files in the order given; TZ=UTC0, since that one time is stored as local time.
# Requires: zip (Info-ZIP). Does not: touch the installer.
find_program(zip_program zip REQUIRED)
foreach(package ${CPACK_PACKAGE_FILES})
  if(NOT package MATCHES "\\.zip$")
    continue()
  endif()
  file(GLOB_RECURSE names RELATIVE ${CPACK_TEMPORARY_DIRECTORY} "${CPACK_TEMPORARY_DIRECTORY}/*")
  list(SORT names)
  file(REMOVE ${package})
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0
                          ${zip_program} -X -D -q -9 ${package} -- ${names}
                  WORKING_DIRECTORY ${CPACK_TEMPORARY_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
