# zlib, minizip's unzip module and stb_image.
#
# Cross builds on Linux take zlib from Debian's mingw package and compile the
# minizip sources that scripts/setup.sh unpacked from Debian's zlib source
# package. A native Windows build finds zlib and minizip with find_package
# (vcpkg, for example) and stb through its header.
# A mingw build links zlib statically: the shipped executable must start on a
# clean Windows, which has no zlib1.dll. FindZLIB honours ZLIB_USE_STATIC_LIBS
# from CMake 3.24 on; the import library picked by an earlier configure (or an
# older CMake) is dropped and the archive looked up by its own file name.
if(MINGW)
  set(ZLIB_USE_STATIC_LIBS ON)
  if(ZLIB_LIBRARY_RELEASE MATCHES "\\.dll\\.a$")
    unset(ZLIB_LIBRARY_RELEASE CACHE)
  endif()
  find_library(ZLIB_LIBRARY_RELEASE NAMES libz.a libzlibstatic.a)
endif()
find_package(ZLIB REQUIRED)
if(MINGW AND ZLIB_LIBRARIES MATCHES "\\.dll\\.a")
  message(FATAL_ERROR "zlib resolves to an import library (${ZLIB_LIBRARIES}); "
    "the executables would need zlib1.dll. Set ZLIB_LIBRARY_RELEASE to libz.a.")
endif()

set(ZK_MINIZIP_DIR "${PROJECT_SOURCE_DIR}/third_party/minizip" CACHE PATH "minizip sources")
if(EXISTS "${ZK_MINIZIP_DIR}/unzip.c")
  # This unzip.c hard-wires NOUNCRYPT, which makes every password-protected
  # entry fail. Skin archives may carry a password, so the copy compiled here
  # has that one line removed (crypt.h, unpacked beside it, does the work).
  file(READ "${ZK_MINIZIP_DIR}/unzip.c" _zk_unzip_source)
  string(REGEX REPLACE "\n[ \t]*#[ \t]*define[ \t]+NOUNCRYPT[ \t]*\n" "\n" _zk_unzip_source "${_zk_unzip_source}")
  file(WRITE "${CMAKE_BINARY_DIR}/minizip/unzip.c.new" "${_zk_unzip_source}")
  configure_file("${CMAKE_BINARY_DIR}/minizip/unzip.c.new" "${CMAKE_BINARY_DIR}/minizip/unzip.c" COPYONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${ZK_MINIZIP_DIR}/unzip.c")
  add_library(zk_minizip STATIC
    ${CMAKE_BINARY_DIR}/minizip/unzip.c ${ZK_MINIZIP_DIR}/ioapi.c
    ${ZK_MINIZIP_DIR}/zip.c ${ZK_MINIZIP_DIR}/iowin32.c)
  target_include_directories(zk_minizip SYSTEM PUBLIC ${ZK_MINIZIP_DIR})
  target_compile_definitions(zk_minizip PUBLIC UNICODE _UNICODE)
  target_compile_options(zk_minizip PRIVATE -w)
  target_link_libraries(zk_minizip PUBLIC ZLIB::ZLIB)
  add_library(zk::minizip ALIAS zk_minizip)
else()
  find_package(unofficial-minizip CONFIG QUIET)
  if(TARGET unofficial::minizip::minizip)
    add_library(zk::minizip ALIAS unofficial::minizip::minizip)
  else()
    find_package(minizip CONFIG REQUIRED)
    add_library(zk::minizip ALIAS minizip::minizip)
  endif()
endif()

find_path(ZK_STB_INCLUDE_DIR NAMES stb_image.h PATH_SUFFIXES stb
  PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
if(NOT ZK_STB_INCLUDE_DIR)
  message(FATAL_ERROR "stb_image.h not found; run scripts/setup.sh or set ZK_STB_INCLUDE_DIR")
endif()
add_library(zk_stb INTERFACE)
target_include_directories(zk_stb SYSTEM INTERFACE ${ZK_STB_INCLUDE_DIR})
add_library(zk::stb ALIAS zk_stb)

find_path(ZK_RAPIDXML_INCLUDE_DIR NAMES rapidxml.hpp PATH_SUFFIXES rapidxml
  PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
