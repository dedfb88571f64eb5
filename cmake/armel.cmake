# Toolchain for old pendants: 32-bit ARM, soft float, ARMv5TE and newer
# (ARM9, ARM11 and every ARMv7 part).
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/armel.cmake -Dnfs_server_ip=ADDRESS ...
# Debian 12's security archive no longer carries armel, so its :armel
# libraries cannot be installed beside the machine's own (their versions
# differ where both must be the same): the armel libraries live in a
# folder of their own, .cache/root-armel, which tools/setup.sh --target
# armel fills with mmdebstrap.
set(pendant_target armel)
set(pendant_triple arm-linux-gnueabi)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(pendant_root "${CMAKE_CURRENT_LIST_DIR}/../.cache/root-armel")
include(${CMAKE_CURRENT_LIST_DIR}/debian_cross.cmake)
