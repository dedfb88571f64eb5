# Toolchain for 64-bit ARM pendants.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/arm64.cmake -Dnfs_server_ip=ADDRESS ...
set(pendant_target arm64)
set(pendant_triple aarch64-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian_cross.cmake)
