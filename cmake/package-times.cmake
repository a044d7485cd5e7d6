# Run by CPack once it has staged the files, before it packs them (CPACK_PRE_BUILD_SCRIPTS):
# what makes the packages' bytes the same from every build of one commit.
# Requires: touch (coreutils). Does not: change the files' contents.

# Every staged file and folder takes the last commit's time, which the zip's entries and the
# installer's files then carry.
find_program(touch touch REQUIRED)
file(GLOB_RECURSE staged LIST_DIRECTORIES true RELATIVE ${CPACK_TEMPORARY_DIRECTORY}
     "${CPACK_TEMPORARY_DIRECTORY}/*")
list(SORT staged)
execute_process(COMMAND ${touch} -h -d @${CPACK_SOURCE_DATE_EPOCH} . ${staged}
                WORKING_DIRECTORY ${CPACK_TEMPORARY_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)

# The installer takes its files in name order, not in the order the file system lists them
# (which differs between file systems) as "File /r" would.
set(CPACK_NSIS_FULL_INSTALL "")
foreach(path ${staged})
  string(REPLACE "/" "\\" windows_path "${path}")
  if(IS_DIRECTORY ${CPACK_TEMPORARY_DIRECTORY}/${path})
    string(APPEND CPACK_NSIS_FULL_INSTALL "CreateDirectory \"$INSTDIR\\${windows_path}\"\n")
  else()
    get_filename_component(folder "${path}" DIRECTORY)
    if(folder)
      string(REPLACE "/" "\\" folder "\\${folder}")
    endif()
    string(APPEND CPACK_NSIS_FULL_INSTALL
           "SetOutPath \"$INSTDIR${folder}\"\nFile \"${CPACK_TEMPORARY_DIRECTORY}/${path}\"\n")
  endif()
endforeach()
