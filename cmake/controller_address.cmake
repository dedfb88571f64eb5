# The controller's address is fixed at build time. It must be a plain dotted
# IPv4 address: four decimal numbers 0-255 without leading zeros, nothing
# around them. The tool splices it into mount, ping and df commands, so
# anything else (a host name, an octal-looking "010", blanks, shell
# characters) would reach the controller wrongly or not at all.
#
# pendant_address_problem(ADDRESS OUT_VAR): OUT_VAR is empty when ADDRESS is
# such an address, otherwise a short reason.
#
# As a script, `cmake -DADDRESS=... -P controller_address.cmake` fails with
# that reason, so tools check an address by the same rule as the build.

function(pendant_address_problem address out_var)
  set(problem "")
  if(address STREQUAL "")
    set(problem "no address given")
  elseif(NOT address MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
    set(problem "not four numbers separated by dots")
  else()
    string(REPLACE "." ";" numbers "${address}")
    foreach(number IN LISTS numbers)
      string(LENGTH "${number}" digits)
      if(digits GREATER 1 AND number MATCHES "^0")
        set(problem "leading zero in '${number}'")
        break()
      elseif(digits GREATER 3 OR number GREATER 255)
        set(problem "'${number}' is above 255")
        break()
      endif()
    endforeach()
  endif()
  set(${out_var} "${problem}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  pendant_address_problem("${ADDRESS}" problem)
  if(problem)
    message(FATAL_ERROR "'${ADDRESS}' is not a controller address (${problem}): "
      "give four numbers 0-255 without leading zeros, such as 192.168.1.10")
  endif()
endif()
