# ICU's two code libraries for the stick's runtime, compiled here for this
# build's target from Debian's source of the ICU the system's Qt links
# (tools/icu/fetch-source fetches and checks it once). Debian's libicuuc and
# libicui18n carry all of ICU (formatting, regular expressions,
# transliteration, ...): 4.4 MB on an ARM pendant, of which Qt calls the
# converters, case mapping, collation and the calendar. These are the same
# sources with the same settings as Debian's build, optimised for size, each
# function in a section of its own, and linked with only what Qt (and
# libicui18n, of libicuuc) calls exported (tools/icu/exports): the linker
# leaves out every function nothing can reach. Same names (libicuuc.so.NN,
# libicui18n.so.NN), same data library (Debian's libicudata, which
# tools/make-stick cuts down); tools/make-stick takes these instead of
# Debian's.

set(PENDANT_ICU_SOURCE "${PROJECT_SOURCE_DIR}/.cache/icu" CACHE PATH
  "Folder for Debian's icu source and the libraries' sources taken from it")
execute_process(COMMAND "${PROJECT_SOURCE_DIR}/tools/icu/fetch-source" "${PENDANT_ICU_SOURCE}"
  RESULT_VARIABLE fetch_result)
if(NOT fetch_result EQUAL 0)
  message(FATAL_ERROR "No ICU source for the stick (tools/icu/fetch-source failed, see above)")
endif()
set(icu_source "${PENDANT_ICU_SOURCE}/source")
file(STRINGS "${icu_source}/common/unicode/uvernum.h" icu_major REGEX "^#define U_ICU_VERSION_MAJOR_NUM [0-9]+$")
string(REGEX REPLACE ".* " "" icu_major "${icu_major}")
if(NOT icu_major)
  message(FATAL_ERROR "No ICU version in ${icu_source}/common/unicode/uvernum.h")
endif()
# The version built, for the stick's BUILD.txt.
file(STRINGS "${icu_source}/.version" icu_version LIMIT_COUNT 1)
file(WRITE "${CMAKE_BINARY_DIR}/icu/version" "${icu_version}\n")
get_target_property(icu_qtcore Qt5::Core LOCATION)
get_filename_component(icu_libdir "${icu_qtcore}" DIRECTORY)
find_library(ICU_DATA_LIBRARY NAMES libicudata.so.${icu_major} PATHS "${icu_libdir}" NO_DEFAULT_PATH)
if(NOT ICU_DATA_LIBRARY)
  message(FATAL_ERROR "Qt here does not use ICU ${icu_major} (no libicudata.so.${icu_major} beside ${icu_qtcore})")
endif()

# icu_objects(TARGET LIB DEFINITION): the objects of ICU's LIB folder, as
# ICU's configure compiles them on Linux, with Debian's time zone folder.
function(icu_objects target lib definition)
  file(STRINGS "${icu_source}/${lib}/sources.txt" sources)
  list(TRANSFORM sources PREPEND "${icu_source}/${lib}/")
  add_library(${target} OBJECT ${sources})
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON AUTOMOC OFF
    CXX_STANDARD 11 C_STANDARD 11)
  target_include_directories(${target} PRIVATE "${icu_source}/${lib}" "${icu_source}/common")
  target_compile_definitions(${target} PRIVATE ${definition} _REENTRANT PIC U_HAVE_ELF_H=1 U_HAVE_STRTOD_L=1
    U_HAVE_XLOCALE_H=0 U_ATTRIBUTE_DEPRECATED= U_TIMEZONE_FILES_DIR=/usr/share/zoneinfo-icu/44/le/)
  # ICU's own code, built as its makers ship it (with Debian's hardening):
  # the project's warnings are not for it.
  target_compile_options(${target} PRIVATE -Os -ffunction-sections -fdata-sections
    -fstack-protector-strong -D_FORTIFY_SOURCE=2 -w)
endfunction()
icu_objects(icuuc_objects common U_COMMON_IMPLEMENTATION)
icu_objects(icui18n_objects i18n U_I18N_IMPLEMENTATION)

set(icu_maps "${CMAKE_BINARY_DIR}/icu-exports")
add_custom_command(OUTPUT "${icu_maps}/icuuc.map" "${icu_maps}/icui18n.map"
  COMMAND "${PROJECT_SOURCE_DIR}/tools/icu/exports" "${CMAKE_NM}" "${icu_qtcore}" "${icu_maps}"
    "$<TARGET_OBJECTS:icuuc_objects>" -- "$<TARGET_OBJECTS:icui18n_objects>"
  DEPENDS icuuc_objects icui18n_objects $<TARGET_OBJECTS:icuuc_objects> $<TARGET_OBJECTS:icui18n_objects>
    "${PROJECT_SOURCE_DIR}/tools/icu/exports"
  COMMAND_EXPAND_LISTS VERBATIM
  COMMENT "Choosing what the stick's ICU libraries export")
add_custom_target(icu_exports DEPENDS "${icu_maps}/icuuc.map" "${icu_maps}/icui18n.map")

# icu_library(TARGET NAME OBJECTS LIBS...): libNAME.so.NN from OBJECTS.
function(icu_library target name objects)
  add_library(${target} SHARED $<TARGET_OBJECTS:${objects}>)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name} SUFFIX ".so.${icu_major}" AUTOMOC OFF
    LINKER_LANGUAGE CXX LINK_DEPENDS "${icu_maps}/${name}.map" SKIP_BUILD_RPATH ON
    LIBRARY_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/icu")
  add_dependencies(${target} icu_exports)
  target_link_options(${target} PRIVATE -Wl,--version-script=${icu_maps}/${name}.map -Wl,--gc-sections
    -Wl,-O1 -Wl,-z,text -Wl,-z,now -Wl,--no-undefined)
  target_link_libraries(${target} PRIVATE ${ARGN} m pthread)
  install(TARGETS ${target} LIBRARY DESTINATION lib)
endfunction()
icu_library(stick_icuuc icuuc icuuc_objects "${ICU_DATA_LIBRARY}")
icu_library(stick_icui18n icui18n icui18n_objects stick_icuuc)
