# One set of definitions and warnings for every target of this project.
# Declared before use: the option must exist when the flags are composed.
option(ZK_WERROR "Treat warnings as errors" ON)
add_library(zk_options INTERFACE)
target_compile_definitions(zk_options INTERFACE
  UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
if(MSVC)
  target_compile_options(zk_options INTERFACE /W4 /utf-8 /permissive-)
  target_compile_definitions(zk_options INTERFACE _CRT_SECURE_NO_WARNINGS)
else()
  target_compile_options(zk_options INTERFACE
    -Wall -Wextra -Wshadow=local -Wnon-virtual-dtor -Wcast-align
    -Wformat=2 -Wno-missing-field-initializers
    $<$<BOOL:${ZK_WERROR}>:-Werror>
    # Each function and object in its own section, so the linker can drop
    # what the executable never reaches (the framework is larger than what
    # the installer uses).
    -ffunction-sections -fdata-sections
    # No run-time type information: nothing asks for it, and its names and
    # tables cost the shipped program about 5 KB.
    $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
endif()
