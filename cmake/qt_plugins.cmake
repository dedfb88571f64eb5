# Two of Qt's plugins, compiled here for this build's target from Debian's
# qtbase source of the Qt the system carries (tools/qt-plugins/fetch-source
# fetches and checks it once); tools/make-stick puts them on the stick
# instead of Debian's builds:
#   - tslib, so that touches on a panel calibrated with tslib
#     (/etc/pointercal) go through the same calibration. Debian builds its
#     Qt without it; it links the target's libts (libts-dev), and the stick
#     carries Debian's libts and its modules beside it.
#   - linuxfb, the pendant's platform, without libinput and D-Bus (see
#     fetch-source): Qt's support libraries linked in statically, and of
#     the shared libraries only those it calls.

set(PENDANT_QT_PLUGIN_SOURCE "${PROJECT_SOURCE_DIR}/.cache/qt-plugins" CACHE PATH
  "Folder for Debian's qtbase source and the plugins taken from it")
execute_process(COMMAND "${PROJECT_SOURCE_DIR}/tools/qt-plugins/fetch-source" "${PENDANT_QT_PLUGIN_SOURCE}"
  RESULT_VARIABLE fetch_result)
if(NOT fetch_result EQUAL 0)
  message(FATAL_ERROR "No Qt plugin sources for the stick (tools/qt-plugins/fetch-source failed, see above)")
endif()
find_path(TSLIB_INCLUDE_DIR tslib.h)
find_library(TSLIB_LIBRARY ts)
find_path(DRM_INCLUDE_DIR drm.h PATH_SUFFIXES libdrm)
find_package(Qt5 5.15 COMPONENTS FbSupport EventDispatcherSupport FontDatabaseSupport InputSupport KmsSupport
  DeviceDiscoverySupport)
if(NOT TSLIB_INCLUDE_DIR OR NOT TSLIB_LIBRARY OR NOT Qt5Gui_PRIVATE_INCLUDE_DIRS OR NOT Qt5FbSupport_FOUND
   OR NOT DRM_INCLUDE_DIR)
  message(FATAL_ERROR "The stick's Qt plugins need libts-dev, libdrm-dev and qtbase5-private-dev for this target (tools/setup.sh installs them)")
endif()

# qt_plugin(TARGET TYPE SOURCES...): a plugin as Qt builds its own, into
# plugins/TYPE of the build folder (tests load it from there) and of the
# install.
function(qt_plugin target type)
  add_library(${target} MODULE ${ARGN})
  set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/plugins/${type}")
  target_compile_definitions(${target} PRIVATE QT_PLUGIN QT_NO_DEBUG QT_NO_FOREACH)
  # Qt's own code, built as Qt builds it: the project's warnings are not for it.
  target_compile_options(${target} PRIVATE -w)
  install(TARGETS ${target} LIBRARY DESTINATION plugins/${type})
endfunction()

set(qt_tslib "${PENDANT_QT_PLUGIN_SOURCE}/tslib")
qt_plugin(qtslibplugin generic "${qt_tslib}/main.cpp" "${qt_tslib}/qtslib.cpp" "${qt_tslib}/qtslib_p.h")
target_include_directories(qtslibplugin PRIVATE "${qt_tslib}" "${qt_tslib}/include" "${TSLIB_INCLUDE_DIR}"
  ${Qt5Gui_PRIVATE_INCLUDE_DIRS})
target_link_libraries(qtslibplugin PRIVATE Qt5::Gui "${TSLIB_LIBRARY}")

set(qt_linuxfb "${PENDANT_QT_PLUGIN_SOURCE}/linuxfb")
qt_plugin(qlinuxfb platforms "${qt_linuxfb}/main.cpp" "${qt_linuxfb}/qlinuxfbintegration.cpp"
  "${qt_linuxfb}/qlinuxfbscreen.cpp" "${qt_linuxfb}/qlinuxfbdrmscreen.cpp")
target_include_directories(qlinuxfb PRIVATE "${qt_linuxfb}" "${DRM_INCLUDE_DIR}")
# The support libraries are static: only what the plugin calls is linked
# in, and --as-needed keeps the shared libraries they name (libinput's
# among them) off the plugin's list unless that code is there.
target_link_libraries(qlinuxfb PRIVATE Qt5::FbSupportPrivate Qt5::EventDispatcherSupportPrivate
  Qt5::FontDatabaseSupportPrivate Qt5::InputSupportPrivate Qt5::KmsSupportPrivate
  Qt5::DeviceDiscoverySupportPrivate Qt5::GuiPrivate)
target_link_options(qlinuxfb PRIVATE -Wl,--as-needed -Wl,--no-undefined)
