# Shared part of the toolchain files for the pendant's ARM targets: Debian's
# cross compilers (crossbuild-essential-<arch>) and the target's multiarch
# libraries (qtbase5-dev:<arch> and friends in /usr/lib/<triple>), no
# separate sysroot. Tests run under qemu-user-static through tools/emulate.
# The including file sets pendant_target (armhf, arm64), pendant_triple and
# CMAKE_SYSTEM_PROCESSOR.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${pendant_triple}-gcc)
set(CMAKE_CXX_COMPILER ${pendant_triple}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${pendant_triple})

# Headers, libraries and CMake packages of the target only; programs (moc,
# uic) are the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${pendant_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(PENDANT_TARGET ${pendant_target} CACHE STRING "Target of this build: host, armhf or arm64")
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tools/emulate;${pendant_target}")
