# The blank user database "jvbdb": generated from its checked-in schema at build time, installed
# to the machine-wide data folder, from which the program copies it for a new user. The build
# folder's copy sits where jv::paths::CommonAppData() finds it when the program runs uninstalled.
find_program(JV_SQLITE3 sqlite3 REQUIRED)

# jv_sqlite_database(<target> <schema.sql> <output>)
# Builds an SQLite database file from an SQL script; the file is replaced only when complete.
function(jv_sqlite_database target schema output)
  get_filename_component(folder ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${output}.tmp
    COMMAND ${JV_SQLITE3} -bail ${output}.tmp ".read ${schema}"
    COMMAND ${CMAKE_COMMAND} -E rename ${output}.tmp ${output}
    DEPENDS ${schema}
    COMMENT "Generating ${output}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

set(JV_BLANK_DATABASE ${PROJECT_BINARY_DIR}/data/Jorvane/Jorvane/jvbdb CACHE INTERNAL "The generated blank database")
jv_sqlite_database(jv_blankdb ${CMAKE_CURRENT_SOURCE_DIR}/jvbdb/schema.sql ${JV_BLANK_DATABASE})
install(FILES ${JV_BLANK_DATABASE} DESTINATION ${JV_INSTALL_DATADIR}/Jorvane/Jorvane)

# A user database of the oldest schema version (0), for the tests and benchmarks of the upgrade.
set(JV_V0_DATABASE ${PROJECT_BINARY_DIR}/fixtures/jvbdb-v0 CACHE INTERNAL "The generated version-0 test database")
jv_sqlite_database(jv_testdb_v0 ${PROJECT_SOURCE_DIR}/tests/shared/data/fixtures/jvbdb-v0.sql ${JV_V0_DATABASE})
