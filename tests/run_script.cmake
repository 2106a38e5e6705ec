# Runs one golden script in a scratch folder and compares what it printed and its exit status.
#   -DCORVEL=<interpreter> -DSCRIPT=<path/name.cv> -DSCRATCH=<folder>
# Beside the script: name.stdout (expected output, byte for byte), name.status (expected exit
# status, 0 when absent), name.stdin (fed to standard input, else nothing), name.args (arguments
# instead of the script path, one per line; @SCRIPT@ stands for the script's path).
# The interpreter runs under the program name "corvel", so messages that show it are stable.
# name.stderr, when present, is the expected standard error, with @SCRIPT@ standing for the
# script's path; name.env holds NAME=value lines set in the environment of the run.
# -DGENERIC=1 runs every line through the generic path (CORVEL_GENERIC=1): both must agree.

cmake_minimum_required(VERSION 3.25)

get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(name ${SCRIPT} NAME_WE)
set(base ${dir}/${name})

file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})

set(arguments ${SCRIPT})
if(EXISTS ${base}.args)
  file(STRINGS ${base}.args arguments)
  list(TRANSFORM arguments REPLACE "@SCRIPT@" "${SCRIPT}")
endif()

set(input /dev/null)
if(EXISTS ${base}.stdin)
  set(input ${base}.stdin)
endif()

if(GENERIC)
  set(ENV{CORVEL_GENERIC} 1)
endif()
if(EXISTS ${base}.env)
  file(STRINGS ${base}.env settings)
  foreach(setting ${settings})
    string(REGEX MATCH "^([^=]+)=(.*)$" matched "${setting}")
    set(ENV{${CMAKE_MATCH_1}} "${CMAKE_MATCH_2}")
  endforeach()
endif()

execute_process(
  COMMAND bash -c "exec -a corvel \"$@\"" bash ${CORVEL} ${arguments}
  WORKING_DIRECTORY ${SCRATCH}
  INPUT_FILE ${input}
  OUTPUT_FILE ${SCRATCH}/actual.stdout
  ERROR_FILE ${SCRATCH}/actual.stderr
  RESULT_VARIABLE status
  TIMEOUT 50)

set(expected_status 0)
if(EXISTS ${base}.status)
  file(STRINGS ${base}.status expected_status LIMIT_COUNT 1)
endif()

set(expected_output ${base}.stdout)
if(NOT EXISTS ${expected_output})
  file(WRITE ${SCRATCH}/empty.stdout "")
  set(expected_output ${SCRATCH}/empty.stdout)
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${expected_output} ${SCRATCH}/actual.stdout
                RESULT_VARIABLE differs)
if(differs OR NOT "${status}" STREQUAL "${expected_status}")
  file(READ ${expected_output} want HEX)
  file(READ ${SCRATCH}/actual.stdout got HEX)
  file(READ ${SCRATCH}/actual.stdout got_text)
  message(FATAL_ERROR "${name}: expected status ${expected_status}, got ${status}\n"
                      "expected output (hex): ${want}\n"
                      "actual output (hex):   ${got}\n"
                      "actual output:\n${got_text}")
endif()

if(EXISTS ${base}.stderr)
  file(READ ${base}.stderr want_error)
  string(REPLACE "@SCRIPT@" "${SCRIPT}" want_error "${want_error}")
  file(READ ${SCRATCH}/actual.stderr got_error)
  if(NOT want_error STREQUAL got_error)
    message(FATAL_ERROR "${name}: standard error differs\nexpected:\n${want_error}\nactual:\n${got_error}")
  endif()
endif()
