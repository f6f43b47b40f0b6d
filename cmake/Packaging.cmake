# What `cmake --install` puts where, and the packages `cpack` makes of it (scripts/package):
# - from the Windows build a zip, tallyfold-VERSION-win64.zip, all in one folder of that name:
#   both programs, the README with every file it links to, the licence and the example maps;
# - from a Linux build a Debian package of tallyfold-report: the program and its man page, and
#   in /usr/share/doc/tallyfold-report the README with what it links to, the changelog and the
#   copyright. scripts/package builds it with TALLYFOLD_STATIC_REPORT, so that it depends on no
#   C library.

# The project's contact as its commits name it; the Debian package's Maintainer and the
# changelog's trailer (packaging/changelog) give the same.
set(TALLYFOLD_CONTACT
    "Seed 70b83740 maintainers <maintainers@users.noreply.c-seed-70b83740.example>")

# Installs the README into destination with every file and folder it links to by a relative
# link ([text](path), ![alt](path), src="path"), at the same place beside it, so that its links
# resolve where it is unpacked. A link to a missing file is left for scripts/package to report.
function(tallyfold_install_readme destination)
    set(readme ${PROJECT_SOURCE_DIR}/README.md)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${readme})
    install(FILES ${readme} DESTINATION ${destination})
    file(READ ${readme} text)
    # A bracket would upset CMake's lists: "](" becomes a mark of its own first.
    string(REPLACE "](" " <link> " text "${text}")
    string(REPLACE "src=\"" " <link> " text "${text}")
    string(REGEX MATCHALL " <link> [^][ )\"\n;]*" links "${text}")
    set(targets)
    foreach(link IN LISTS links)
        string(REGEX REPLACE "^ <link> <?([^>#?]*).*$" "\\1" target "${link}")
        string(REGEX REPLACE "/+$" "" target "${target}")
        if(target STREQUAL "" OR target MATCHES "^([A-Za-z][A-Za-z0-9+.-]*:|/)")
            continue()  # an anchor of the README itself, a URL or an absolute path
        endif()
        list(APPEND targets ${target})
    endforeach()
    list(REMOVE_DUPLICATES targets)
    foreach(target IN LISTS targets)
        get_filename_component(place ${target} DIRECTORY)
        if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/${target})
            install(DIRECTORY ${PROJECT_SOURCE_DIR}/${target}/ DESTINATION ${destination}/${target})
        elseif(EXISTS ${PROJECT_SOURCE_DIR}/${target})
            install(FILES ${PROJECT_SOURCE_DIR}/${target} DESTINATION ${destination}/${place})
        endif()
    endforeach()
endfunction()

file(GLOB example_maps ${PROJECT_SOURCE_DIR}/examples/*.map)

if(WIN32)
    tallyfold_install_readme(.)
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
    install(FILES ${example_maps} DESTINATION examples)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME "tallyfold-${PROJECT_VERSION}-win64")
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
    include(GNUInstallDirs)
    set(doc_dir ${TALLYFOLD_REPORT_DOC_DIR})
    tallyfold_install_readme(${doc_dir})
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${doc_dir} RENAME copyright)
    # Debian wants the changelog compressed, and the same at every build (gzip -n).
    find_program(TALLYFOLD_GZIP gzip REQUIRED)
    set(changelog ${CMAKE_BINARY_DIR}/changelog)
    add_custom_command(OUTPUT ${changelog}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/changelog ${changelog}
        COMMAND ${TALLYFOLD_GZIP} -9nf ${changelog}
        DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
        VERBATIM)
    add_custom_target(tallyfold-changelog ALL DEPENDS ${changelog}.gz)
    install(FILES ${changelog}.gz DESTINATION ${doc_dir})

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME tallyfold-report)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION devel)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TALLYFOLD_CONTACT}")
    # A static report needs no library; any other build depends on what it links.
    if(TALLYFOLD_STATIC_REPORT)
        set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
        install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
                DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
                RENAME tallyfold-report)
    else()
        set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    endif()
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Tallyfold developers")
set(CPACK_PACKAGE_CONTACT "${TALLYFOLD_CONTACT}")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "ROM and RAM of each object file of a PIC18 linker map, for build pipelines")
# The Debian package's long description: lines of at most 79 columns, paragraphs end in a
# blank line.
set(CPACK_PACKAGE_DESCRIPTION
    "tallyfold-report reads the linker map of a finished PIC18 program and adds
up, for every object file, the bytes it takes in program memory (ROM) and
data memory (RAM), each also as a percentage of the target device's
capacity, then a total row. It reads the maps of the HLINK and MPLINK
families and checks its sums against the map's own totals.

The report is an aligned table, TSV, CSV, JSON, a Markdown table for a
pull-request comment or a self-contained HTML page. Budgets (--max-rom,
--max-ram) fail a build that runs out of memory, and --diff shows what a
change did to each object file.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)
