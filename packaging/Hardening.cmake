# Release builds for Linux are hardened as Debian builds its packages: checked libc calls,
# stack protector, position-independent executables, relocations read-only and bound at
# start. Included by the root CMakeLists.txt before any target is defined.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    include(CheckPIESupported)
    check_pie_supported(LANGUAGES CXX)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    add_compile_options(
        "$<$<CONFIG:Release>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2;-fstack-protector-strong>")
    add_link_options("$<$<CONFIG:Release>:LINKER:-z,relro,-z,now>")
endif()
