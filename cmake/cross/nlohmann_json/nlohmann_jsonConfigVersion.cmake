# The version of Debian's nlohmann-json3-dev, by its own package configuration's rules.
set(_nlohmann_json_version /usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake)
if(EXISTS ${_nlohmann_json_version})
    include(${_nlohmann_json_version})
else()
    set(PACKAGE_VERSION_UNSUITABLE TRUE)
endif()
