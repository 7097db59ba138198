# Release builds for Linux are built as Debian builds its packages: -O2 (GCC 12 at -O3 also
# gives false -Wrestrict warnings in its own string code), and hardened: checked libc calls,
# stack protector, position-independent executables, relocations read-only and bound at
# start. Included by the root CMakeLists.txt before any target is defined.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    string(REPLACE "-O3" "-O2" CMAKE_CXX_FLAGS_RELEASE "${CMAKE_CXX_FLAGS_RELEASE}")
    include(CheckPIESupported)
    check_pie_supported(LANGUAGES CXX)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    add_compile_options(
        "$<$<CONFIG:Release>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2;-fstack-protector-strong>")
    add_link_options("$<$<CONFIG:Release>:LINKER:-z,relro,-z,now>")
endif()
