#!/bin/sh
# pendant-tool: starts the pendant maintenance tool from this stick.
#   pendant-tool [PACKAGE_DIR]      (the folder that holds tesma.zip)
# The tool runs with the runtime in .pendant-tool/ beside this script: its
# own loader, C and C++ runtime, Qt, plugins and fonts, so the pendant
# provides nothing but its kernel. The bundled loader is started directly
# with the library folder as its search path: nothing is set for the
# programs the tool runs, which use the pendant's own libraries.
# The tool finds the rescue_mode marker and sqlite3 in this script's
# folder, named to it by PENDANT_TOOL_DIR.
case $0 in
  */*) top=${0%/*} ;;
  *) top=. ;;
esac
top=$(cd "$top" && pwd) || exit 1
runtime=$top/.pendant-tool

PENDANT_TOOL_DIR=$top
QT_PLUGIN_PATH=$runtime/plugins
FONTCONFIG_FILE=$runtime/fonts/fonts.conf
export PENDANT_TOOL_DIR QT_PLUGIN_PATH FONTCONFIG_FILE
# A panel has no X server: draw on the frame buffer, unless an X display
# is there or the caller chose a platform (offscreen, for tests).
if [ -z "${QT_QPA_PLATFORM:-}" ]; then
  if [ -n "${DISPLAY:-}" ]; then QT_QPA_PLATFORM=xcb; else QT_QPA_PLATFORM=linuxfb; fi
  export QT_QPA_PLATFORM
fi
# launch_log TEXT...: one line of what the launcher chose, in the run log
# beside it (a read-only stick keeps none) and on the console.
launch_log() {
  echo "launcher: $*" >> "$top/pendant-tool.log" 2>/dev/null
  echo "launcher: $*" >&2
}
# Touch screen, mouse, keyboard, calibration and rotation.
. "$runtime/panel-input.sh"
exec "$runtime/lib/@LOADER@" --library-path "$runtime/lib" "$runtime/bin/pendant-tool" "$@"
