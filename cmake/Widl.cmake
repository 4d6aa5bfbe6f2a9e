# tavo_add_idl(<target> <file.idl> [TLB])
# Compiles an interface definition with widl for the target architecture into <name>.h (C/C++ header),
# <name>_i.c (GUID definitions) and, with TLB, <name>.tlb. <target> is a static library of the GUIDs whose
# users see the header; with TLB its property TAVO_TLB_FILE names the type library file.

set(TAVO_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})

function(tavo_find_from_package out package pattern)
    execute_process(COMMAND dpkg -L ${package} OUTPUT_VARIABLE files ERROR_QUIET)
    string(REGEX MATCH "[^\n]*${pattern}" match "${files}")
    if(NOT match)
        message(FATAL_ERROR "${pattern} not found in package ${package} (run scripts/install-deps)")
    endif()
    get_filename_component(dir ${match} DIRECTORY)
    set(${out} ${dir} PARENT_SCOPE)
endfunction()

tavo_find_from_package(TAVO_IDL_INCLUDE_DIR libwine-dev "/oaidl\\.idl")
if(TAVO_ARCH STREQUAL "i686")
    tavo_find_from_package(TAVO_STDOLE_DIR libwine:i386 "/stdole2\\.tlb")
else()
    tavo_find_from_package(TAVO_STDOLE_DIR libwine:amd64 "/stdole2\\.tlb")
endif()

function(tavo_add_idl target idl)
    cmake_parse_arguments(ARG "TLB" "" "" ${ARGN})
    get_filename_component(name ${idl} NAME_WE)
    get_filename_component(idl_path ${idl} ABSOLUTE)
    set(out ${CMAKE_CURRENT_BINARY_DIR})
    set(outputs ${out}/${name}.h ${out}/${name}_i.c)
    set(args -I${TAVO_IDL_INCLUDE_DIR} -I${CMAKE_CURRENT_SOURCE_DIR} -L${TAVO_STDOLE_DIR}
             -h -H ${out}/${name}.h -u -U ${out}/${name}_i.c)
    if(ARG_TLB)
        list(APPEND outputs ${out}/${name}.tlb)
        list(APPEND args -t -T ${out}/${name}.tlb)
    endif()
    add_custom_command(
        OUTPUT ${outputs}
        COMMAND ${TAVO_WIDL} ${args} ${idl_path}
        DEPENDS ${idl_path}
        COMMENT "widl ${name}.idl"
        VERBATIM)
    add_library(${target} STATIC ${out}/${name}_i.c ${out}/${name}.h)
    set_property(GLOBAL APPEND PROPERTY TAVO_GUID_SOURCES ${out}/${name}_i.c)
    target_include_directories(${target} PUBLIC ${out})
    if(ARG_TLB)
        set_target_properties(${target} PROPERTIES TAVO_TLB_FILE ${out}/${name}.tlb)
        add_custom_target(${target}_tlb DEPENDS ${out}/${name}.tlb)
        add_dependencies(${target} ${target}_tlb)
    endif()
endfunction()

# The system interfaces whose ids the module and its tools take from the toolchain: Windows defines them.
set(TAVO_SYSTEM_IDS IID_IUnknown IID_IDispatch IID_IClassFactory IID_IClientSecurity IID_IConnectionPoint
    IID_IConnectionPointContainer)

# tavo_check_guid_sources(<target>)
# Links <target> (a DLL or program of this folder) with a map and checks it after every link
# (CheckGuidSources.cmake): each interface, class and library id it uses must come from the definitions widl
# wrote, or be one of TAVO_SYSTEM_IDS. A library that defines a same-named id with another value then fails
# the build instead of changing the id.
function(tavo_check_guid_sources target)
    set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
    target_link_options(${target} PRIVATE "LINKER:-Map=${map},--cref")
    get_property(generated GLOBAL PROPERTY TAVO_GUID_SOURCES)
    string(REPLACE ";" "|" generated "${generated}")
    string(REPLACE ";" "|" system "${TAVO_SYSTEM_IDS}")
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DMAP=${map} -DBINARY=$<TARGET_FILE:${target}> -DBUILD_DIR=${CMAKE_BINARY_DIR}
                "-DGENERATED=${generated}" "-DSYSTEM=${system}" -P ${TAVO_CMAKE_DIR}/CheckGuidSources.cmake
        VERBATIM)
endfunction()
