# Helpers shared by every folder's CMakeLists.txt.

set(JV_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
    -Wnull-dereference -Wformat=2 -Wimplicit-fallthrough -Wmisleading-indentation)

function(jv_warnings target)
  target_compile_options(${target} PRIVATE ${JV_WARNINGS})
  if(JV_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# jv_own_sources(<variable> <folder>)
# Every .cpp below the folder, except those of sub-folders with a CMakeLists.txt of their own
# (a library or test binary of their own).
function(jv_own_sources variable folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  file(GLOB_RECURSE sub_lists CONFIGURE_DEPENDS ${folder}/*/CMakeLists.txt)
  foreach(sub_list ${sub_lists})
    get_filename_component(sub_dir ${sub_list} DIRECTORY)
    foreach(source ${sources})
      string(FIND "${source}" "${sub_dir}/" at)
      if(at EQUAL 0)
        list(REMOVE_ITEM sources ${source})
      endif()
    endforeach()
  endforeach()
  set(${variable} ${sources} PARENT_SCOPE)
endfunction()

# jv_library(<target> [DEPS ...] [PUBLIC_DEPS ...])
# One static library from every .cpp below the current folder, except main.cpp and the sources of
# sub-folders that are libraries of their own.
function(jv_library target)
  cmake_parse_arguments(ARG "" "" "DEPS;PUBLIC_DEPS" ${ARGN})
  jv_own_sources(sources ${CMAKE_CURRENT_SOURCE_DIR})
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_PUBLIC_DEPS} PRIVATE ${ARG_DEPS})
  jv_warnings(${target})
endfunction()

# jv_test(<name> <folder> DEPS ...)
# One GoogleTest binary from every .cpp in <folder> (sub-folders with a CMakeLists.txt of their own
# aside), registered with CTest.
function(jv_test name folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  jv_own_sources(sources ${folder})
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} jv_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  jv_warnings(${name})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "LANG=C.UTF-8;TZ=UTC" TIMEOUT 600)
endfunction()
