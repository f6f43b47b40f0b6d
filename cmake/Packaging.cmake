# What `cmake --install` puts where, and the packages `cpack` makes of it (scripts/package):
# from the Windows build a zip, tallyfold-VERSION-win64.zip, with both programs, the README and
# the licence; from a Linux build a Debian package of tallyfold-report with its man page.
if(WIN32)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME "tallyfold-${PROJECT_VERSION}-win64")
else()
    include(GNUInstallDirs)
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/tallyfold-report RENAME copyright)
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME tallyfold-report)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION devel)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Tallyfold developers")
set(CPACK_PACKAGE_CONTACT "the Tallyfold developers")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "ROM and RAM of each object file of a PIC18 linker map, for build pipelines")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)
