# Writes the C++ source that holds the resources of one manifest (see tools/resources.cmake).
# Run as: cmake -DMANIFEST=<file> -DOUTPUT=<file.cpp> -DFUNCTION=<name> [-DDEPFILE=<file>] -P generate.cmake
# DEPFILE, when given, receives the files the pages include, so that a change to one of them
# compiles the resources again.
cmake_minimum_required(VERSION 3.25)

# jv_expand_includes(<file> <text-variable>)
#
# The text of the page <file> with every "<!--#include <name>-->" replaced by the text of the file
# <name> (relative to the folder of the file that names it) less one final newline, so that a
# directive on a line of its own gives back exactly the lines the included file holds. Included
# files may include others; a file that includes itself, directly or through others, or names a
# file that does not exist stops the build. Each file read is added to the list `included`.
function(jv_expand_includes file result)
  set(chain ${ARGN} "${file}")
  file(READ "${file}" rest)
  get_filename_component(base "${file}" DIRECTORY)
  set(text "")
  while(TRUE)
    string(FIND "${rest}" "<!--#include " start)
    if(start EQUAL -1)
      break()
    endif()
    string(SUBSTRING "${rest}" 0 ${start} before)
    string(APPEND text "${before}")
    math(EXPR start "${start} + 13")
    string(SUBSTRING "${rest}" ${start} -1 rest)
    string(FIND "${rest}" "-->" end)
    if(end EQUAL -1)
      message(FATAL_ERROR "${file}: an include directive is not closed with \"-->\"")
    endif()
    string(SUBSTRING "${rest}" 0 ${end} name)
    string(STRIP "${name}" name)
    math(EXPR end "${end} + 3")
    string(SUBSTRING "${rest}" ${end} -1 rest)
    get_filename_component(target "${base}/${name}" ABSOLUTE)
    if(NOT EXISTS "${target}" OR IS_DIRECTORY "${target}")
      message(FATAL_ERROR "${file}: the included file ${name} does not exist (${target})")
    endif()
    if(target IN_LIST chain)
      list(JOIN chain " -> " path)
      message(FATAL_ERROR "${file}: including ${name} makes a loop: ${path} -> ${target}")
    endif()
    jv_expand_includes("${target}" piece ${chain})
    string(REGEX REPLACE "\n$" "" piece "${piece}")
    string(APPEND text "${piece}")
    list(APPEND included "${target}")
  endwhile()
  string(APPEND text "${rest}")
  set(${result} "${text}" PARENT_SCOPE)
  set(included "${included}" PARENT_SCOPE)
endfunction()

get_filename_component(folder "${MANIFEST}" DIRECTORY)
set(included "")
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

  get_filename_component(extension "${file}" LAST_EXT)
  string(TOLOWER "${extension}" extension)
  if(extension MATCHES "^\\.html?$")
    jv_expand_includes("${folder}/${file}" page)
    string(HEX "${page}" hex)
  else()
    file(READ "${folder}/${file}" hex HEX)
  endif()
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")

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

if(DEFINED DEPFILE)
  list(REMOVE_DUPLICATES included)
  set(dependencies "")
  foreach(dependency IN LISTS included)
    string(REPLACE " " "\\ " dependency "${dependency}")
    string(APPEND dependencies " \\\n  ${dependency}")
  endforeach()
  set(rule "${OUTPUT}:${dependencies}\n")
  # Rewritten only on a change too: the build reads it again whenever it changes.
  set(previous "")
  if(EXISTS "${DEPFILE}")
    file(READ "${DEPFILE}" previous)
  endif()
  if(NOT previous STREQUAL rule)
    file(WRITE "${DEPFILE}" "${rule}")
  endif()
endif()

# Rewrite only on a change, so that nothing that depends on it is rebuilt for nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
  if(previous STREQUAL source)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${source}")
