# Debian packages through CPack's DEB generator (`make deb`):
#   vellumix          the program, its window's guide, desktop file, icon and manual page
#   libquillmark1     the shared library, named after its soname as Debian wants
#   libquillmark-dev  header, pkg-config file and the unversioned link name
#   quillmark-data    the read-only data both of them read (/usr/share/vellumix)
# Dependencies on system libraries come from dpkg-shlibdeps.
include(GNUInstallDirs)

set(QUILLMARK_MAINTAINER "Quillmark maintainers <maintainers@quillmark.org>" CACHE STRING
    "Maintainer field of the Debian packages")
set(QM_DEB_DOC ${CMAKE_BINARY_DIR}/debian-doc)
string(TIMESTAMP QM_DEB_DATE "%a, %d %b %Y 00:00:00 +0000" UTC)

# Every package carries its copyright file and a changelog, as Debian policy asks.
foreach(package IN ITEMS vellumix libquillmark1 libquillmark-dev quillmark-data)
    set(QM_DEB_PACKAGE ${package})
    configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${QM_DEB_DOC}/${package}/changelog @ONLY)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright ${QM_DEB_DOC}/${package}/copyright COPYONLY)
    add_custom_command(OUTPUT ${QM_DEB_DOC}/${package}/changelog.gz
        COMMAND gzip -9nkf ${QM_DEB_DOC}/${package}/changelog
        DEPENDS ${QM_DEB_DOC}/${package}/changelog VERBATIM)
    list(APPEND QM_DEB_CHANGELOGS ${QM_DEB_DOC}/${package}/changelog.gz)
endforeach()
add_custom_target(debian_doc ALL DEPENDS ${QM_DEB_CHANGELOGS})
foreach(component IN ITEMS vellumix libquillmark libquillmark-dev quillmark-data)
    set(package ${component})
    if(component STREQUAL "libquillmark")
        set(package libquillmark1)
    endif()
    if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/${package}.lintian-overrides)
        install(FILES ${CMAKE_CURRENT_LIST_DIR}/${package}.lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME ${package} COMPONENT ${component}
            EXCLUDE_FROM_ALL)
    endif()
    install(FILES ${QM_DEB_DOC}/${package}/copyright ${QM_DEB_DOC}/${package}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component}
        EXCLUDE_FROM_ALL)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL vellumix libquillmark libquillmark-dev quillmark-data)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUILLMARK_MAINTAINER}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(QM_EXACT "(= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_VELLUMIX_PACKAGE_NAME vellumix)
set(CPACK_DEBIAN_VELLUMIX_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_VELLUMIX_PACKAGE_DEPENDS "quillmark-data ${QM_EXACT}")
set(CPACK_COMPONENT_VELLUMIX_DESCRIPTION "convert PDF files into HTML page sets and page images
vellumix turns each PDF file into a folder a browser shows: the text of every
page as positioned HTML over a JPEG picture of its graphics, links as image
maps, and a small frame site with navigation, a page index and a bookmark
tree. It also writes one BMP, PNG or SVG image per page. It converts from its
window or from the command line, one file, a list of files, or one share of a
list as a task of a cluster's job array.")

set(CPACK_DEBIAN_LIBQUILLMARK_PACKAGE_NAME libquillmark1)
set(CPACK_DEBIAN_LIBQUILLMARK_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBQUILLMARK_PACKAGE_DEPENDS "quillmark-data ${QM_EXACT}")
# Only a global switch in CPack; the library is the only package with shared objects.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_LIBQUILLMARK_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/libquillmark1/triggers)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_COMPONENT_LIBQUILLMARK_DESCRIPTION "PDF to HTML conversion library
libquillmark opens PDF files and writes their pages as HTML with positioned
text, as SVG or as BMP images, through thirteen C functions.")

set(CPACK_DEBIAN_LIBQUILLMARK-DEV_PACKAGE_NAME libquillmark-dev)
set(CPACK_DEBIAN_LIBQUILLMARK-DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LIBQUILLMARK-DEV_PACKAGE_DEPENDS "libquillmark1 ${QM_EXACT}")
set(CPACK_COMPONENT_LIBQUILLMARK-DEV_DESCRIPTION "PDF to HTML conversion library - development files
libquillmark opens PDF files and writes their pages as HTML with positioned
text, as SVG or as BMP images, through thirteen C functions.

This package holds the header and the pkg-config file.")

set(CPACK_DEBIAN_QUILLMARK-DATA_PACKAGE_NAME quillmark-data)
set(CPACK_DEBIAN_QUILLMARK-DATA_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_QUILLMARK-DATA_PACKAGE_ARCHITECTURE all)
set(CPACK_COMPONENT_QUILLMARK-DATA_DESCRIPTION "data files of the PDF to HTML converter
Character maps, CID to Unicode tables, the font configuration and the support
files of converted sites, read by vellumix and libquillmark1.")

include(CPack)
