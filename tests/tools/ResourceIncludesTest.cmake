# The include directive of the resource compiler: a page holds the text its fragments hold, nested
# fragments and folders included; the included files are the compiled resources' dependencies; a
# loop or a missing file stops the compilation with a message that names it.
# Run as: cmake -DGENERATOR=<generate.cmake> -DWORK=<scratch folder> -P ResourceIncludesTest.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/parts")

# Compiles <manifest> into WORK/<name>.cpp; sets <name>_result to the exit code and <name>_errors
# to what the compiler printed, on one line.
function(compile name manifest)
  execute_process(
    COMMAND ${CMAKE_COMMAND} "-DMANIFEST=${WORK}/${manifest}" "-DOUTPUT=${WORK}/${name}.cpp"
            "-DFUNCTION=Test" "-DDEPFILE=${WORK}/${name}.d" -P "${GENERATOR}"
    RESULT_VARIABLE result ERROR_VARIABLE errors OUTPUT_QUIET)
  # CMake wraps its messages at word boundaries.
  string(REGEX REPLACE "[ \t\n]+" " " errors "${errors}")
  set(${name}_result "${result}" PARENT_SCOPE)
  set(${name}_errors "${errors}" PARENT_SCOPE)
endfunction()

# The bytes of resource <id> in the compiled WORK/<name>.cpp, as lower-case hex digits.
function(compiled_bytes name id result)
  file(READ "${WORK}/${name}.cpp" source)
  if(NOT source MATCHES "const unsigned char r${id}\\[\\] = {\n    ([0-9a-fx,]*)0};")
    message(FATAL_ERROR "resource ${id} is not in ${name}.cpp")
  endif()
  string(REPLACE "0x" "" hex "${CMAKE_MATCH_1}")
  string(REPLACE "," "" hex "${hex}")
  set(${result} "${hex}" PARENT_SCOPE)
endfunction()

# expect(<what> <condition>...): reports <what> unless the condition holds.
function(expect what)
  if(NOT (${ARGN}))
    message(SEND_ERROR "expected: ${what}")
  endif()
endfunction()

# A page with a fragment on a line of its own and one inside a line; the first includes another
# from its own folder. Brackets and semicolons pass unchanged.
file(WRITE "${WORK}/Page.html" "<head>\n<!--#include parts/Head.html-->\n<body><!--#include Inline.html--></body>\n")
file(WRITE "${WORK}/parts/Head.html" "<script>a[1]; b;</script>\n<!--#include Style.html-->\n")
file(WRITE "${WORK}/parts/Style.html" "<link href=\"176\">\n")
file(WRITE "${WORK}/Inline.html" "<p>x</p>")
file(WRITE "${WORK}/Plain.js" "// <!--#include Inline.html-->\n")
file(WRITE "${WORK}/pages.txt" "1 Page.html\n2 Plain.js\n")
compile(pages pages.txt)
expect("the page compiles: ${pages_errors}" pages_result EQUAL 0)
compiled_bytes(pages 1 page)
string(HEX "<head>\n<script>a[1]; b;</script>\n<link href=\"176\">\n<body><p>x</p></body>\n" expected)
expect("the page holds its fragments' text in place of the directives" page STREQUAL expected)
compiled_bytes(pages 2 script)
file(READ "${WORK}/Plain.js" expected HEX)
expect("a script is compiled as it is" script STREQUAL expected)
file(READ "${WORK}/pages.d" rule)
foreach(fragment parts/Head.html parts/Style.html Inline.html)
  string(FIND "${rule}" "${WORK}/${fragment}" at)
  expect("${fragment} is a dependency of the compiled resources: ${rule}" NOT at EQUAL -1)
endforeach()

# A fragment that comes back to itself through another.
file(WRITE "${WORK}/Loop.html" "<!--#include parts/LoopA.html-->\n")
file(WRITE "${WORK}/parts/LoopA.html" "<!--#include LoopB.html-->\n")
file(WRITE "${WORK}/parts/LoopB.html" "<!--#include LoopA.html-->\n")
file(WRITE "${WORK}/loop.txt" "1 Loop.html\n")
compile(loop loop.txt)
expect("a loop of includes stops the compilation" NOT loop_result EQUAL 0)
expect("the loop is named: ${loop_errors}" loop_errors MATCHES "LoopB.html: including LoopA.html makes a loop")

file(WRITE "${WORK}/Missing.html" "<!--#include parts/Nowhere.html-->\n")
file(WRITE "${WORK}/missing.txt" "1 Missing.html\n")
compile(missing missing.txt)
expect("a missing fragment stops the compilation" NOT missing_result EQUAL 0)
expect("the missing file is named: ${missing_errors}"
       missing_errors MATCHES "Missing.html: the included file parts/Nowhere.html does not exist")
