# project_warnings(<target>): the warning set for the project's own code.
function(project_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${OVERLAY_WARNINGS_AS_ERRORS}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
      $<$<BOOL:${OVERLAY_WARNINGS_AS_ERRORS}>:-Werror>)
  endif()
endfunction()
