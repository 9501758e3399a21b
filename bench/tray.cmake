# The companion's resident memory between checks (a measurement script, not a benchmark program):
#   cmake --build build --target bench_tray_memory
if(TARGET jv_desktop_stub)
add_custom_target(bench_tray_memory
  COMMAND ${PROJECT_SOURCE_DIR}/bench/tray_memory.sh $<TARGET_FILE:jvsystemtray> $<TARGET_FILE:jv_desktop_stub>
          ${JV_BLANK_DATABASE} 10
  DEPENDS jvsystemtray jv_desktop_stub jv_blankdb
  USES_TERMINAL
  VERBATIM)
endif()
