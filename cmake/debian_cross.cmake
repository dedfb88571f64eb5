# Shared part of the toolchain files for the pendant's ARM targets: Debian's
# cross compilers (crossbuild-essential-<arch>) and the target's multiarch
# libraries (qtbase5-dev:<arch> and friends in /usr/lib/<triple>), or, when
# the including file sets pendant_root, the target's Debian packages
# unpacked in that folder. Tests run under qemu-user-static through
# tools/emulate. The including file sets pendant_target (armhf, armel,
# arm64), pendant_triple and CMAKE_SYSTEM_PROCESSOR.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${pendant_triple}-gcc)
set(CMAKE_CXX_COMPILER ${pendant_triple}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${pendant_triple})

# Headers, libraries and CMake packages of the target only; programs (moc,
# uic) are the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${pendant_triple})
if(pendant_root)
  get_filename_component(pendant_root "${pendant_root}" ABSOLUTE)
  if(NOT EXISTS "${pendant_root}/usr/lib/${pendant_triple}/cmake/Qt5/Qt5Config.cmake")
    message(FATAL_ERROR "No ${pendant_target} libraries in ${pendant_root}: run tools/setup.sh --packages-only --target ${pendant_target}")
  endif()
  list(PREPEND CMAKE_FIND_ROOT_PATH "${pendant_root}")
  # The libraries' own dependencies are found there at link time too (the
  # compiler's own C library stays that of the cross toolchain).
  foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT
      "-Wl,-rpath-link,${pendant_root}/lib/${pendant_triple}:${pendant_root}/usr/lib/${pendant_triple}")
  endforeach()
  # Headers a package keeps in the folder's multiarch include folder
  # (OpenSSL's opensslconf.h) are found there, after the cross compiler's
  # own C library headers.
  foreach(lang C CXX)
    set(CMAKE_${lang}_FLAGS_INIT "-idirafter ${pendant_root}/usr/include/${pendant_triple}")
  endforeach()
endif()
# pkg-config answers for the target, never with the build machine's
# libraries (FindOpenSSL asks it first and takes its answer as a hint).
if(pendant_root)
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "${pendant_root}")
  set(ENV{PKG_CONFIG_LIBDIR} "${pendant_root}/usr/lib/${pendant_triple}/pkgconfig:${pendant_root}/usr/share/pkgconfig")
else()
  set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${pendant_triple}/pkgconfig:/usr/share/pkgconfig")
endif()
set(PENDANT_ROOT "${pendant_root}" CACHE INTERNAL "Folder holding the target's libraries, empty for multiarch")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(PENDANT_TARGET ${pendant_target} CACHE STRING "Target of this build: host, armhf, armel or arm64")
if(pendant_root)
  # The build's own programs (the tests) find their loader and libraries in
  # that folder; the stick's runtime needs no such help.
  set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_COMMAND};-E;env;QEMU_LD_PREFIX=${pendant_root};${CMAKE_CURRENT_LIST_DIR}/../tools/emulate;${pendant_target}")
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tools/emulate;${pendant_target}")
endif()
