# Installs the build into a fresh prefix and runs the installed program with nothing pointing
# it at its data: it must find the machine hive under <prefix>/share, not in the source or
# build tree, and the program must not carry the source tree's path to its data.
set(work "${BUILD_DIR}/install-check")
file(REMOVE_RECURSE "${work}")
set(prefix "${work}/prefix")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed: ${err}")
endif()

file(STRINGS "${prefix}/bin/brindlewood" embedded REGEX "${SOURCE_DIR}/data")
if(embedded)
  message(FATAL_ERROR "the installed program names the source tree's data: ${embedded}")
endif()

# A one-table database to make a project from; making it copies the machine defaults into
# the user's hive on the first run.
find_program(SQLITE sqlite3 REQUIRED)
execute_process(COMMAND ${SQLITE} "${work}/a.db"
                        "create table t(id integer primary key, name text);"
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "could not make the test database")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=QUILLET_MACHINE_HIVE "HOME=${work}/home"
          "XDG_CONFIG_HOME=${work}/config" "XDG_DOCUMENTS_DIR=${work}/home/Documents"
          "${prefix}/bin/brindlewood" new "${work}/p.kvz"
          --db "Driver=SQLite3;Database=${work}/a.db;"
  WORKING_DIRECTORY "${work}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the installed program failed:\n${out}")
endif()
file(READ "${work}/config/brindlewood/user.reg" hive)
string(FIND "${hive}" "\"MaxProjectBackupCount\"=dword:0000000a" found)
if(found EQUAL -1)
  message(FATAL_ERROR "the installed program did not read its machine hive:\n${hive}")
endif()
file(REMOVE_RECURSE "${work}")
message(STATUS "the installed program reads its own data")
