# nlohmann_json for cross builds (cmake/mingw-w64-x86_64.cmake points find_package here).
# Debian's nlohmann-json3-dev is header-only and fits any target, but its own package
# configuration puts /usr/include on the include path, where the build machine's C library
# headers are, which the target's compiler must never see. Here nlohmann_json::nlohmann_json
# names a folder in the build tree that holds a copy of the library's headers and nothing
# else.
set(_nlohmann_json_headers /usr/include/nlohmann)
if(NOT EXISTS ${_nlohmann_json_headers}/json.hpp)
    set(nlohmann_json_FOUND FALSE)
    set(nlohmann_json_NOT_FOUND_MESSAGE
        "no ${_nlohmann_json_headers}/json.hpp: install Debian's nlohmann-json3-dev")
    return()
endif()
if(NOT TARGET nlohmann_json::nlohmann_json)
    set(_nlohmann_json_include ${CMAKE_BINARY_DIR}/cross-include/nlohmann_json)
    file(COPY ${_nlohmann_json_headers} DESTINATION ${_nlohmann_json_include})
    add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
    set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES ${_nlohmann_json_include})
    # A new version of the package copies its headers again.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
        ${_nlohmann_json_headers}/detail/abi_macros.hpp)
endif()
