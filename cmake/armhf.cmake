# Toolchain for the pendant's main target: 32-bit ARM, hard float.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/armhf.cmake -Dnfs_server_ip=ADDRESS ...
set(pendant_target armhf)
set(pendant_triple arm-linux-gnueabihf)
set(CMAKE_SYSTEM_PROCESSOR arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian_cross.cmake)
