# The rule for the controller address, and the refusals of a build for the
# pendant. Run as: cmake -DSOURCE=<project> -DSCRATCH=<dir> -P controller_address_test.cmake
cmake_minimum_required(VERSION 3.16)
include(${SOURCE}/cmake/controller_address.cmake)

set(passed 0)
set(failed 0)
function(check name ok)
  if(ok)
    math(EXPR n "${passed} + 1")
    set(passed ${n} PARENT_SCOPE)
    message("ok - ${name}")
  else()
    math(EXPR n "${failed} + 1")
    set(failed ${n} PARENT_SCOPE)
    message("not ok - ${name}")
  endif()
endfunction()

# address|expected reason (empty: accepted)
set(cases
  "192.168.1.10|"
  "0.0.0.0|"
  "255.255.255.255|"
  "10.0.0.1|"
  "127.0.0.2|"
  "|no address given"
  "192.168.1|not four numbers"
  "192.168.1.10.5|not four numbers"
  "192.168.1.|not four numbers"
  "a.b.c.d|not four numbers"
  "controller|not four numbers"
  " 192.168.1.10|not four numbers"
  "192.168.1.10 |not four numbers"
  "192.168.1.10;reboot|not four numbers"
  "192.168.1.-1|not four numbers"
  "0x7f.0.0.1|not four numbers"
  "192.168.01.10|leading zero in '01'"
  "010.0.0.1|leading zero in '010'"
  "192.168.1.00|leading zero in '00'"
  "256.1.1.1|'256' is above 255"
  "1.1.1.999|'999' is above 255"
  "1.1.1.0255|leading zero in '0255'"
  "1.1.1.1000|'1000' is above 255"
  "1.1.1.99999999999999999999|above 255")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 address)
  list(LENGTH parts n)
  set(expected "")
  if(n GREATER 1)
    list(GET parts 1 expected)
  endif()
  pendant_address_problem("${address}" problem)
  if(expected STREQUAL "")
    if(problem STREQUAL "")
      check("'${address}' accepted" TRUE)
    else()
      check("'${address}' accepted" FALSE)
      message("    refused: ${problem}")
    endif()
  else()
    string(FIND "${problem}" "${expected}" at)
    if(at EQUAL -1)
      check("'${address}' refused: ${expected}" FALSE)
      message("    got: '${problem}'")
    else()
      check("'${address}' refused: ${expected}" TRUE)
    endif()
  endif()
endforeach()

# The script form that tools/make-stick uses applies the same rule.
execute_process(COMMAND ${CMAKE_COMMAND} -DADDRESS=192.168.1.10 -P ${SOURCE}/cmake/controller_address.cmake
  RESULT_VARIABLE rc ERROR_QUIET)
if(rc EQUAL 0)
  check("script form accepts 192.168.1.10" TRUE)
else()
  check("script form accepts 192.168.1.10" FALSE)
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -DADDRESS=192.168.1.010 -P ${SOURCE}/cmake/controller_address.cmake
  RESULT_VARIABLE rc ERROR_VARIABLE err)
string(FIND "${err}" "leading zero in '010'" at)
if(NOT rc EQUAL 0 AND NOT at EQUAL -1)
  check("script form refuses 192.168.1.010" TRUE)
else()
  check("script form refuses 192.168.1.010" FALSE)
endif()

# A build for the pendant refuses to configure without an address, or with
# a bad one, before anything is built.
# refused_configure NAME EXPECTED ARGS...: configuring fails and says EXPECTED.
function(refused_configure name expected)
  set(dir ${SCRATCH}/${name})
  file(REMOVE_RECURSE ${dir})
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${dir} ${ARGN}
    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  # CMake wraps its error messages.
  string(REGEX REPLACE "[ \n]+" " " err "${err}")
  string(FIND "${err}" "${expected}" at)
  if(rc EQUAL 0 OR at EQUAL -1)
    check("${name}: configuration refused, saying '${expected}'" FALSE)
    message("    exit ${rc}: ${err}")
  else()
    check("${name}: configuration refused, saying '${expected}'" TRUE)
  endif()
  set(passed ${passed} PARENT_SCOPE)
  set(failed ${failed} PARENT_SCOPE)
endfunction()
refused_configure(stick-without-address "has no default controller address" -DPENDANT_STICK=ON)
refused_configure(stick-bad-address "leading zero in '01'" -DPENDANT_STICK=ON -Dnfs_server_ip=192.168.1.01)
# A cross build is a build for the pendant too (where the cross compiler is
# installed; the toolchain file needs it).
find_program(armhf_compiler arm-linux-gnueabihf-g++)
if(armhf_compiler)
  refused_configure(cross-without-address "has no default controller address"
    -DCMAKE_TOOLCHAIN_FILE=${SOURCE}/cmake/armhf.cmake)
endif()
refused_configure(host-bad-address "'300' is above 255" -Dnfs_server_ip=300.1.1.1)

message("${passed} passed, ${failed} failed")
if(failed GREATER 0)
  message(FATAL_ERROR "controller address checks failed")
endif()
