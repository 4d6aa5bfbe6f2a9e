# Completes in place the type library that widl 7 wrote from TavoMessengerLib.idl with three things that
# widl cannot express:
# - the Messenger class is predeclared (TYPEFLAG_FPREDECLID; widl knows no [predeclid]);
# - the module UCConstants holds the library's constants (widl writes no constants into a module): the
#   members of the enumeration UCConstantValues are moved into it, leaving that enumeration empty;
# - a default value of an interface-pointer out-parameter ([out, retval, optional, defaultvalue(0)]) is
#   written by widl as an inline VT_PTR, which is no VARIANT type (GetFuncDesc then fails with
#   DISP_E_BADVARTYPE); it becomes a null VT_UNKNOWN, as widl writes for an IUnknown* default.
# The file is in the MSFT format that oleaut32 reads. Whatever does not look as expected stops the build; a
# library that is already complete is left as it is.
# Usage: cmake -DTLB=<file.tlb> -P TypeLibFixups.cmake

if(NOT TLB OR NOT EXISTS "${TLB}")
    message(FATAL_ERROR "TypeLibFixups: TLB=<file.tlb> is required")
endif()

set(TKIND_ENUM 0)
set(TKIND_MODULE 2)
set(TKIND_COCLASS 5)
set(TYPEFLAG_FPREDECLID 8)
set(FUNC_HAS_DEFAULTS 0x1000)
set(INLINE_NULL_PTR 3892314112)     # 0xE8000000: inline value, VT_PTR (26), 0
set(INLINE_NULL_UNKNOWN 3019898880) # 0xB4000000: inline value, VT_UNKNOWN (13), 0

function(tlb_fail message)
    message(FATAL_ERROR "TypeLibFixups: ${TLB}: ${message}")
endfunction()

# Little-endian unsigned reads and writes at a file offset.
function(tlb_read offset size out)
    math(EXPR offset "${offset}")
    file(READ "${TLB}" hex OFFSET ${offset} LIMIT ${size} HEX)
    string(LENGTH "${hex}" length)
    math(EXPR expected "${size} * 2")
    if(NOT length EQUAL expected)
        tlb_fail("read past the end at ${offset}")
    endif()
    set(value "")
    math(EXPR last "${size} - 1")
    foreach(i RANGE 0 ${last})
        math(EXPR at "${i} * 2")
        string(SUBSTRING "${hex}" ${at} 2 byte)
        string(PREPEND value "${byte}")
    endforeach()
    math(EXPR value "0x${value}")
    set(${out} ${value} PARENT_SCOPE)
endfunction()

function(tlb_read_u32 offset out)
    tlb_read(${offset} 4 value)
    set(${out} ${value} PARENT_SCOPE)
endfunction()

function(tlb_write_u32 offset value)
    math(EXPR offset "${offset}")
    set(escapes "")
    foreach(shift 0 8 16 24)
        math(EXPR byte "(${value} >> ${shift}) & 0xFF" OUTPUT_FORMAT HEXADECIMAL)
        string(SUBSTRING "${byte}" 2 -1 byte)
        string(APPEND escapes "\\x${byte}")
    endforeach()
    execute_process(COMMAND printf "${escapes}"
                    COMMAND dd "of=${TLB}" bs=1 seek=${offset} count=4 conv=notrunc status=none
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        tlb_fail("could not write at ${offset}")
    endif()
endfunction()

# Header and segment directory.
tlb_read_u32(0 magic)
if(NOT magic EQUAL 0x5446534D)
    tlb_fail("not an MSFT type library")
endif()
tlb_read_u32(0x14 varflags)
tlb_read_u32(0x20 typeinfo_count)
# A help DLL name (varflags 0x100) adds one field before the typeinfo offsets.
math(EXPR directory "0x54 + ((${varflags} >> 8) & 1) * 4 + ${typeinfo_count} * 4")
tlb_read_u32(${directory} typeinfo_table)
math(EXPR name_segment_entry "${directory} + 7 * 16")
tlb_read_u32(${name_segment_entry} name_table)

# Typeinfo bases are 0x64 bytes each: kind at 0x00, member block at 0x04 (with sizes at 0x08 and 0x0C),
# element counts at 0x18 (variables << 16 | functions), type flags at 0x30, name at 0x34.
function(typeinfo_base index out)
    math(EXPR base "${typeinfo_table} + ${index} * 0x64")
    set(${out} ${base} PARENT_SCOPE)
endfunction()

# A name entry: 12 bytes (the low byte of the third field is the length), then the characters.
function(typeinfo_name_hex base out)
    tlb_read_u32("${base} + 0x34" name_offset)
    math(EXPR entry "${name_table} + ${name_offset}")
    tlb_read("${entry} + 8" 1 length)
    math(EXPR chars_at "${entry} + 12")
    file(READ "${TLB}" name OFFSET ${chars_at} LIMIT ${length} HEX)
    set(${out} "${name}" PARENT_SCOPE)
endfunction()

function(find_typeinfo wanted_name wanted_kind out)
    string(HEX "${wanted_name}" wanted_hex)
    math(EXPR last "${typeinfo_count} - 1")
    foreach(index RANGE 0 ${last})
        typeinfo_base(${index} base)
        typeinfo_name_hex(${base} name_hex)
        if(name_hex STREQUAL wanted_hex)
            tlb_read_u32(${base} kind)
            math(EXPR kind "${kind} & 0xF")
            if(NOT kind EQUAL wanted_kind)
                tlb_fail("${wanted_name} is of kind ${kind}, not ${wanted_kind}")
            endif()
            set(${out} ${base} PARENT_SCOPE)
            return()
        endif()
    endforeach()
    tlb_fail("${wanted_name} not found")
endfunction()

# 1. Messenger is predeclared.
find_typeinfo(Messenger ${TKIND_COCLASS} messenger)
math(EXPR flags_at "${messenger} + 0x30")
tlb_read_u32(${flags_at} flags)
math(EXPR predeclared "${flags} & ${TYPEFLAG_FPREDECLID}")
if(NOT predeclared)
    math(EXPR flags "${flags} | ${TYPEFLAG_FPREDECLID}")
    tlb_write_u32(${flags_at} ${flags})
endif()

# 2. The constants move from UCConstantValues into UCConstants: the two typeinfos exchange member blocks.
find_typeinfo(UCConstants ${TKIND_MODULE} module)
find_typeinfo(UCConstantValues ${TKIND_ENUM} values)
math(EXPR module_counts_at "${module} + 0x18")
math(EXPR values_counts_at "${values} + 0x18")
tlb_read_u32(${module_counts_at} module_counts)
tlb_read_u32(${values_counts_at} values_counts)
if(module_counts EQUAL 0 AND NOT values_counts EQUAL 0)
    foreach(field 0x04 0x08 0x0C 0x18)
        math(EXPR module_at "${module} + ${field}")
        math(EXPR values_at "${values} + ${field}")
        tlb_read_u32(${module_at} module_value)
        tlb_read_u32(${values_at} values_value)
        tlb_write_u32(${module_at} ${values_value})
        tlb_write_u32(${values_at} ${module_value})
    endforeach()
elseif(module_counts EQUAL 0 OR NOT values_counts EQUAL 0)
    tlb_fail("UCConstants holds ${module_counts} and UCConstantValues ${values_counts} members")
endif()

# 3. Inline VT_PTR default values become null VT_UNKNOWN. A function record: size in the low word of its
# first field, flags at 0x10 (FUNC_HAS_DEFAULTS), parameter count in the low word at 0x14, then optional
# attributes, then (with defaults) one default value per parameter, then 12 bytes per parameter.
math(EXPR last "${typeinfo_count} - 1")
foreach(index RANGE 0 ${last})
    typeinfo_base(${index} base)
    tlb_read_u32("${base} + 0x18" counts)
    math(EXPR functions "${counts} & 0xFFFF")
    if(functions EQUAL 0)
        continue()
    endif()
    tlb_read_u32("${base} + 0x04" record)
    math(EXPR record "${record} + 4")
    foreach(function RANGE 1 ${functions})
        tlb_read("${record}" 2 size)
        tlb_read_u32("${record} + 0x10" function_flags)
        tlb_read("${record} + 0x14" 2 parameters)
        math(EXPR has_defaults "${function_flags} & ${FUNC_HAS_DEFAULTS}")
        if(has_defaults AND parameters GREATER 0)
            math(EXPR attributes_size "${size} - 0x18 - ${parameters} * 16")
            math(EXPR misaligned "${attributes_size} & 3")
            if(attributes_size LESS 0 OR misaligned)
                tlb_fail("unexpected function record of ${size} bytes at ${record}")
            endif()
            math(EXPR defaults "${record} + 0x18 + ${attributes_size}")
            math(EXPR last_parameter "${parameters} - 1")
            foreach(parameter RANGE 0 ${last_parameter})
                math(EXPR default_at "${defaults} + ${parameter} * 4")
                tlb_read_u32(${default_at} default_value)
                if(default_value EQUAL ${INLINE_NULL_PTR})
                    tlb_write_u32(${default_at} ${INLINE_NULL_UNKNOWN})
                endif()
            endforeach()
        endif()
        math(EXPR record "${record} + ${size}")
    endforeach()
endforeach()
