# Run at every build (cmake -DSOURCE_DIR=... -DVERSION=x.y.z -DOUTPUT=... -P BuildId.cmake): writes OUTPUT, a
# header that names the build for the version resources: TAVO_BUILD_ID, the git commit (with "-modified" when
# tracked files differ from it, "unknown" outside git), and TAVO_PRODUCT_VERSION, the version with the build
# identifier as its build metadata ("1.2.3+abcdef123456"). The header is rewritten only when its text
# changes, so an unchanged commit rebuilds nothing.
execute_process(COMMAND git -C ${SOURCE_DIR} rev-parse --short=12 HEAD
                RESULT_VARIABLE status OUTPUT_VARIABLE commit ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
if(status EQUAL 0 AND commit MATCHES "^[0-9a-f]+$")
    set(build_id ${commit})
    execute_process(COMMAND git -C ${SOURCE_DIR} status --porcelain --untracked-files=no
                    OUTPUT_VARIABLE changes ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT changes STREQUAL "")
        string(APPEND build_id "-modified")
    endif()
else()
    set(build_id unknown)
endif()

string(CONCAT content "// Written at build time by cmake/BuildId.cmake.\n#pragma once\n"
            "#define TAVO_BUILD_ID \"${build_id}\"\n"
            "#define TAVO_PRODUCT_VERSION \"${VERSION}+${build_id}\"\n")
if(EXISTS ${OUTPUT})
    file(READ ${OUTPUT} previous)
endif()
if(NOT previous STREQUAL content)
    file(WRITE ${OUTPUT} "${content}")
endif()
