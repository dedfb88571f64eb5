# The sqlite3 shell that goes on the stick for rescue mode, compiled for
# this build's target from Debian's own source of the SQLite the system
# carries (tools/sqlite3/fetch-source fetches and checks it once; later
# configurations reuse it). Linked statically, so it needs nothing from the
# pendant but the kernel. The dbpage and dbstat virtual tables are on, so
# `.recover` works; the other options are those of Debian's own build,
# without loadable extensions (a static program cannot load them).

set(PENDANT_SQLITE3_SOURCE "${PROJECT_SOURCE_DIR}/.cache/sqlite3" CACHE PATH
  "Folder for Debian's sqlite3 source and the amalgamation made from it")
set(sqlite3_amalgamation "${PENDANT_SQLITE3_SOURCE}/amalgamation")
# Checked on every configuration: a changed or damaged download stops here.
# The amalgamation is generated with this machine's compiler: a cross
# build's CC and CXX (which CMake leaves in the environment) are not passed.
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=CC --unset=CXX
  "${PROJECT_SOURCE_DIR}/tools/sqlite3/fetch-source" "${PENDANT_SQLITE3_SOURCE}"
  RESULT_VARIABLE fetch_result)
if(NOT fetch_result EQUAL 0)
  message(FATAL_ERROR "No sqlite3 source for the stick (tools/sqlite3/fetch-source failed, see above)")
endif()

add_executable(stick_sqlite3 "${sqlite3_amalgamation}/shell.c" "${sqlite3_amalgamation}/sqlite3.c")
set_target_properties(stick_sqlite3 PROPERTIES
  OUTPUT_NAME sqlite3
  AUTOMOC OFF
  RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/sqlite3")
target_include_directories(stick_sqlite3 PRIVATE "${sqlite3_amalgamation}")
target_compile_definitions(stick_sqlite3 PRIVATE
  SQLITE_ENABLE_DBPAGE_VTAB SQLITE_ENABLE_DBSTAT_VTAB
  SQLITE_SECURE_DELETE SQLITE_ENABLE_COLUMN_METADATA
  SQLITE_ENABLE_FTS3 SQLITE_ENABLE_FTS3_PARENTHESIS SQLITE_ENABLE_FTS4 SQLITE_ENABLE_FTS5
  SQLITE_ENABLE_RTREE=1 SQLITE_SOUNDEX=1 SQLITE_ENABLE_UNLOCK_NOTIFY
  SQLITE_OMIT_LOOKASIDE=1 SQLITE_ALLOW_ROWID_IN_VIEW SQLITE_ENABLE_UPDATE_DELETE_LIMIT=1
  SQLITE_ENABLE_JSON1 SQLITE_LIKE_DOESNT_MATCH_BLOBS SQLITE_THREADSAFE=1
  SQLITE_USE_URI=1 SQLITE_MAX_SCHEMA_RETRY=25 SQLITE_ENABLE_PREUPDATE_HOOK
  SQLITE_ENABLE_SESSION SQLITE_ENABLE_STMTVTAB SQLITE_MAX_VARIABLE_NUMBER=250000
  SQLITE_OMIT_LOAD_EXTENSION)
# SQLite's own code, built as its makers ship it: the project's warnings
# are not for it.
target_compile_options(stick_sqlite3 PRIVATE -O2 -fno-strict-aliasing -w)
target_link_options(stick_sqlite3 PRIVATE -static)
target_link_libraries(stick_sqlite3 PRIVATE m)
