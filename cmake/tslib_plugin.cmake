# Qt's own tslib input plugin for the stick, so that touches on a panel
# calibrated with tslib (/etc/pointercal) go through the same calibration.
# Debian builds its Qt without it: it is compiled here for this build's
# target from Debian's qtbase source of the Qt the system carries
# (tools/tslib/fetch-source fetches and checks it once) against the
# target's libts (libts-dev). The stick carries Debian's libts and its
# modules beside it (tools/make-stick).

set(PENDANT_QT_TSLIB_SOURCE "${PROJECT_SOURCE_DIR}/.cache/qt-tslib" CACHE PATH
  "Folder for Debian's qtbase source and the tslib plugin taken from it")
execute_process(COMMAND "${PROJECT_SOURCE_DIR}/tools/tslib/fetch-source" "${PENDANT_QT_TSLIB_SOURCE}"
  RESULT_VARIABLE fetch_result)
if(NOT fetch_result EQUAL 0)
  message(FATAL_ERROR "No tslib plugin source for the stick (tools/tslib/fetch-source failed, see above)")
endif()
find_path(TSLIB_INCLUDE_DIR tslib.h)
find_library(TSLIB_LIBRARY ts)
if(NOT TSLIB_INCLUDE_DIR OR NOT TSLIB_LIBRARY OR NOT Qt5Gui_PRIVATE_INCLUDE_DIRS)
  message(FATAL_ERROR "The tslib plugin needs libts-dev and qtbase5-private-dev for this target (tools/setup.sh installs them)")
endif()

set(qt_tslib "${PENDANT_QT_TSLIB_SOURCE}/plugin")
add_library(qtslibplugin MODULE "${qt_tslib}/main.cpp" "${qt_tslib}/qtslib.cpp" "${qt_tslib}/qtslib_p.h")
set_target_properties(qtslibplugin PROPERTIES
  LIBRARY_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/plugins/generic")
target_include_directories(qtslibplugin PRIVATE "${qt_tslib}" "${qt_tslib}/include" "${TSLIB_INCLUDE_DIR}"
  ${Qt5Gui_PRIVATE_INCLUDE_DIRS})
target_compile_definitions(qtslibplugin PRIVATE QT_PLUGIN QT_NO_DEBUG)
# Qt's own code, built as Qt builds it: the project's warnings are not for it.
target_compile_options(qtslibplugin PRIVATE -w)
target_link_libraries(qtslibplugin PRIVATE Qt5::Gui "${TSLIB_LIBRARY}")
install(TARGETS qtslibplugin LIBRARY DESTINATION plugins/generic)
