# What makes overlay-plane.exe a Windows program: an icon drawn at build time from the Linux
# icon's picture (data/overlay-plane.svg), version information from the project's version and
# LICENSE, and a manifest. Requires a Windows target with an RC compiler (windres); the icon
# also needs rsvg-convert and icotool. Does not: install anything.
enable_language(RC)

# usage: add_windows_resources(TARGET): compiles the resources into TARGET.
function(add_windows_resources target)
  set(data ${PROJECT_SOURCE_DIR}/data)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/resources)
  file(MAKE_DIRECTORY ${out})

  file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE copyright REGEX "^Copyright " LIMIT_COUNT 1)
  if(NOT copyright)
    message(FATAL_ERROR "LICENSE has no line starting with \"Copyright \"")
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(manifest_arch amd64)
  else()
    set(manifest_arch x86)
  endif()
  set(manifest ${out}/overlay-plane.exe.manifest)
  configure_file(${data}/overlay-plane.manifest.in ${manifest} @ONLY)

  # Every size the shell asks for at 100 % to 200 %; 256 px is kept as PNG, as Windows does.
  find_program(RSVG_CONVERT rsvg-convert)
  find_program(ICOTOOL icotool)
  set(icon_line "// no icon")
  set(icon_depends)
  if(RSVG_CONVERT AND ICOTOOL)
    set(svg ${data}/overlay-plane.svg)
    set(ico ${out}/overlay-plane.ico)
    set(draw)
    set(pngs)
    foreach(size 16 20 24 32 40 48 64 256)
      set(png ${out}/overlay-plane-${size}.png)
      list(APPEND draw COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${png}
                   ${svg})
      if(size EQUAL 256)
        list(APPEND pngs --raw=${png})
      else()
        list(APPEND pngs ${png})
      endif()
    endforeach()
    add_custom_command(OUTPUT ${ico} ${draw} COMMAND ${ICOTOOL} --create --output=${ico} ${pngs}
                       DEPENDS ${svg} VERBATIM)
    set(icon_line "${OVERLAY_WINDOWS_ICON_ID} ICON \"${ico}\"")
    set(icon_depends ${ico})
    message(STATUS "Windows program icon: drawn from data/overlay-plane.svg")
  else()
    message(STATUS "Windows program icon: none (needs rsvg-convert and icotool); "
                   "the program gets Windows' generic one")
  endif()

  set(rc ${out}/overlay-plane.rc)
  configure_file(${data}/overlay-plane.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${manifest};${icon_depends}")
  # The icon as a source too, so that its command runs before the resources compile.
  target_sources(${target} PRIVATE ${rc} ${icon_depends})
endfunction()
