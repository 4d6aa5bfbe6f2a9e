# What a host client's vendor takes away: `cmake --install <build>` lays it out, and CPack (`cpack` in the
# build tree, which scripts/package runs) zips it as TavoMessenger-<version>-<arch>.zip. Each build tree
# installs its own architecture's binaries into a folder named after it, so the i686 and x86_64 trees
# installed into one prefix hold both modules side by side:
#   <arch>/TavoMessenger.dll, <arch>/TavoMessengerLib.tlb, <arch>/providerdoctor.exe
#   include/TavoMessenger.h, idl/HostExtensionApi.idl, docs/INTEGRATING.md

install(TARGETS TavoMessenger providerdoctor RUNTIME DESTINATION ${TAVO_ARCH} LIBRARY DESTINATION ${TAVO_ARCH})
get_target_property(tavo_tlb tavo_typelib TAVO_TLB_FILE)
install(FILES ${tavo_tlb} DESTINATION ${TAVO_ARCH})
install(FILES ${CMAKE_SOURCE_DIR}/extensions/tavomessenger/include/TavoMessenger.h DESTINATION include)
install(FILES ${CMAKE_SOURCE_DIR}/extensions/tavomessenger/ExtensionProvider/idl/HostExtensionApi.idl
        DESTINATION idl)
install(FILES ${CMAKE_SOURCE_DIR}/docs/INTEGRATING.md DESTINATION docs)

set(CPACK_GENERATOR ZIP)
# The package carries the binaries without their debugging information (`cmake --install --strip` does the
# same); the build tree keeps the unstripped ones.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_NAME TavoMessenger)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME TavoMessenger-${PROJECT_VERSION}-${TAVO_ARCH})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
