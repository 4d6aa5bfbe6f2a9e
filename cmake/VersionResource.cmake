# tavo_add_version_resource(<target> <file description>)
# Gives the DLL or program <target> its VERSIONINFO resource from VersionInfo.rc.in: the project's version as
# file and product version, the product name, the description, the file name it is built as and the build
# identifier (TavoBuildId.h, kept current at every build by BuildId.cmake). Installers compare the file
# version to decide an upgrade; support staff read both from the file's properties.

set(TAVO_BUILD_ID_DIR ${CMAKE_BINARY_DIR}/generated)
set(TAVO_BUILD_ID_HEADER ${TAVO_BUILD_ID_DIR}/TavoBuildId.h)
add_custom_target(tavo_build_id
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DVERSION=${PROJECT_VERSION}
            -DOUTPUT=${TAVO_BUILD_ID_HEADER}
            -P ${CMAKE_CURRENT_LIST_DIR}/BuildId.cmake
    BYPRODUCTS ${TAVO_BUILD_ID_HEADER}
    COMMENT "build identifier"
    VERBATIM)

function(tavo_add_version_resource target description)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
        set(TAVO_VI_FILE_TYPE VFT_DLL)
        set(suffix ".dll")
    else()
        set(TAVO_VI_FILE_TYPE VFT_APP)
        set(suffix ".exe")
    endif()
    get_target_property(name ${target} OUTPUT_NAME)
    if(NOT name)
        set(name ${target})
    endif()
    set(TAVO_VI_ORIGINAL_FILENAME ${name}${suffix})
    set(TAVO_VI_INTERNAL_NAME ${name})
    set(TAVO_VI_DESCRIPTION ${description})
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.rc)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/VersionInfo.rc.in ${rc} @ONLY)
    set_source_files_properties(${rc} PROPERTIES
        OBJECT_DEPENDS ${TAVO_BUILD_ID_HEADER}
        INCLUDE_DIRECTORIES ${TAVO_BUILD_ID_DIR})
    target_sources(${target} PRIVATE ${rc})
    add_dependencies(${target} tavo_build_id)
endfunction()
