# cmake -DMAP=<link map> -DBINARY=<linked file> -DBUILD_DIR=<build tree> -DGENERATED=<a|b|...> -DSYSTEM=<a|b|...>
#       -P CheckGuidSources.cmake
# Reads the cross-reference table of a link map (ld -Map with --cref) and fails when an interface, class or
# library id resolves to another object than the one the IDL compiler wrote:
# - every IID_/DIID_/CLSID_/LIBID_ symbol that a generated <name>_i.c defines must be defined by that
#   object, not by a same-named definition elsewhere (a toolchain library holding other values);
# - every such symbol that the project's own objects reference must come from a generated <name>_i.c,
#   or be one of the system interfaces named in SYSTEM, which Windows defines.
# On failure the linked file is deleted, so that the next build links and checks it again.

cmake_minimum_required(VERSION 3.20)

string(REPLACE "|" ";" generated "${GENERATED}")
string(REPLACE "|" ";" system "${SYSTEM}")

# The names each generated file defines: MIDL_DEFINE_GUID(IID, IID_IMessenger, ...). A file not generated in
# this build tree is linked by nothing here.
foreach(source ${generated})
    if(NOT EXISTS ${source})
        continue()
    endif()
    file(STRINGS ${source} definitions REGEX "^MIDL_DEFINE_GUID\\(")
    get_filename_component(name ${source} NAME)
    foreach(definition ${definitions})
        string(REGEX REPLACE "^MIDL_DEFINE_GUID\\([A-Z]+, *([A-Za-z0-9_]+),.*" "\\1" symbol "${definition}")
        set(owner_${symbol} ${name})
    endforeach()
endforeach()

file(READ ${MAP} map)
string(FIND "${map}" "Cross Reference Table" start)
if(start EQUAL -1)
    message(FATAL_ERROR "${MAP} has no cross-reference table (link with -Wl,--cref)")
endif()
string(SUBSTRING "${map}" ${start} -1 map)
string(REPLACE ";" "," map "${map}")
string(REPLACE "\n" ";" lines "${map}")

# A symbol line starts in column 0 and names its defining file after it (or, for a long name, on the next
# line); the indented lines below list the files that reference it.
set(problems "")
set(symbol "")
foreach(line IN LISTS lines)
    if(line MATCHES "^_?((IID|DIID|CLSID|LIBID)_[A-Za-z0-9_]+)( +(.*))?$")
        set(symbol ${CMAKE_MATCH_1})
        set(definer "${CMAKE_MATCH_4}")
        set(checked OFF)
    elseif(line MATCHES "^[^ ]")
        set(symbol "")
    elseif(symbol AND line MATCHES "^ +([^ ].*)$")
        set(file "${CMAKE_MATCH_1}")
        if(definer STREQUAL "")
            set(definer "${file}")
            continue()
        endif()
        # A referencing file of the project's own (relative, or inside the build tree), checked once.
        string(FIND "${file}" "${BUILD_DIR}/" inBuildTree)
        if(checked OR (file MATCHES "^/" AND NOT inBuildTree EQUAL 0))
            continue()
        endif()
        set(checked ON)
        if(NOT DEFINED owner_${symbol})
            if(NOT symbol IN_LIST system)
                string(APPEND problems "\n  ${symbol}, referenced by ${file}, is defined by ${definer}, not by the IDL")
            endif()
        endif()
    endif()
    if(symbol AND NOT definer STREQUAL "" AND DEFINED owner_${symbol} AND NOT reported_${symbol})
        set(reported_${symbol} ON)
        if(NOT definer MATCHES "[/(]${owner_${symbol}}\\.obj\\)?$")
            string(APPEND problems "\n  ${symbol} is defined by ${definer}, not by ${owner_${symbol}}")
        endif()
    endif()
endforeach()

if(problems)
    file(REMOVE ${BINARY})
    message(FATAL_ERROR "${BINARY}: ids that do not come from the type library's definitions:${problems}")
endif()
