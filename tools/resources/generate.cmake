# Writes the C++ source that holds the resources of one manifest (see tools/resources.cmake).
# Run as: cmake -DMANIFEST=<file> -DOUTPUT=<file.cpp> -DFUNCTION=<name> -P generate.cmake
cmake_minimum_required(VERSION 3.25)

get_filename_component(folder "${MANIFEST}" DIRECTORY)
file(STRINGS "${MANIFEST}" lines)

set(arrays "")
set(entries "")
set(seen "")
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9]+)[ \t]+([^#]+)")
    message(FATAL_ERROR "${MANIFEST}: \"${line}\" is not \"<id> <file>\"")
  endif()
  set(id "${CMAKE_MATCH_1}")
  string(STRIP "${CMAKE_MATCH_2}" file)
  if(id IN_LIST seen)
    message(FATAL_ERROR "${MANIFEST}: resource id ${id} is given twice")
  endif()
  list(APPEND seen "${id}")
  if(NOT EXISTS "${folder}/${file}")
    message(FATAL_ERROR "${MANIFEST}: ${file} does not exist")
  endif()

  file(READ "${folder}/${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")

  get_filename_component(extension "${file}" LAST_EXT)
  string(TOLOWER "${extension}" extension)
  if(extension MATCHES "^\\.html?$")
    set(type "text/html; charset=utf-8")
  elseif(extension STREQUAL ".js")
    set(type "text/javascript; charset=utf-8")
  elseif(extension STREQUAL ".css")
    set(type "text/css; charset=utf-8")
  elseif(extension STREQUAL ".gif")
    set(type "image/gif")
  elseif(extension STREQUAL ".png")
    set(type "image/png")
  elseif(extension MATCHES "^\\.jpe?g$")
    set(type "image/jpeg")
  elseif(extension STREQUAL ".ico")
    set(type "image/x-icon")
  elseif(extension STREQUAL ".bmp")
    set(type "image/bmp")
  elseif(extension STREQUAL ".svg")
    set(type "image/svg+xml")
  else()
    set(type "application/octet-stream")
  endif()
  get_filename_component(name "${file}" NAME)

  # A terminating zero that the size does not count lets text resources be read as C strings.
  string(APPEND arrays "const unsigned char r${id}[] = {\n    ${bytes}0};\n")
  string(APPEND entries "    {${id}, \"${name}\", \"${type}\", r${id}, ${size}},\n")
endforeach()

if(entries STREQUAL "")
  message(FATAL_ERROR "${MANIFEST} names no resource")
endif()

set(source "// Generated from ${MANIFEST} by tools/resources/generate.cmake. Do not edit.
#include \"platform/ui/Resources.h\"

namespace {

${arrays}
const jv::ui::Resource kEntries[] = {
${entries}};

}  // namespace

const jv::ui::ResourceTable& ${FUNCTION}() {
    static const jv::ui::ResourceTable table{kEntries, sizeof kEntries / sizeof kEntries[0]};
    return table;
}
")

# Rewrite only on a change, so that nothing that depends on it is rebuilt for nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
  if(previous STREQUAL source)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${source}")
