# jv_resources(<target> <function> <manifest>)
#
# Compiles the HTML, script, style-sheet and image files a manifest names into <target>, where
# the program finds them by resource id (platform/ui/Resources.h). The manifest has one line per
# resource, "<id> <file>", the file relative to the manifest's folder; "#" starts a comment. An
# HTML file may hold "<!--#include <file>-->", which is replaced by that file's text (relative to
# the folder of the file that names it) as the resources are compiled; an included file needs no
# line in the manifest, and a change to it compiles the resources again. The generated source defines
#     const jv::ui::ResourceTable& <function>();
# which the library declares in a header of its own and the program installs at start-up.
function(jv_resources target function manifest)
  get_filename_component(manifest "${manifest}" ABSOLUTE)
  get_filename_component(folder "${manifest}" DIRECTORY)
  set(script "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/resources/generate.cmake")
  file(STRINGS "${manifest}" lines)
  set(inputs)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line MATCHES "^([0-9]+)[ \t]+([^#]+)")
      string(STRIP "${CMAKE_MATCH_2}" file)
      list(APPEND inputs "${folder}/${file}")
    endif()
  endforeach()
  set(output "${CMAKE_CURRENT_BINARY_DIR}/${function}.cpp")
  set(depfile "${CMAKE_CURRENT_BINARY_DIR}/${function}.d")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} "-DMANIFEST=${manifest}" "-DOUTPUT=${output}" "-DFUNCTION=${function}"
            "-DDEPFILE=${depfile}" -P "${script}"
    DEPENDS "${manifest}" ${inputs} "${script}"
    DEPFILE "${depfile}"
    COMMENT "Compiling the resources of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${manifest}")
endfunction()
