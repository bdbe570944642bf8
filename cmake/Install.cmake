# What `cmake --install` puts under a prefix, the manual pages and the shell
# completion made from the programs' own --help at build time, and the Debian
# package (cpack -G DEB, see scripts/make-deb.sh).
include(GNUInstallDirs)

set(JOV_APP_ID org.jov.Jov)
set(JOV_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
set(JOV_GENERATED ${PROJECT_BINARY_DIR}/packaging)

find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)

# --- manual pages and completion ---------------------------------------------
set(JOV_CLI_DOCS ${JOV_PACKAGING}/cli-docs.sh)
add_custom_command(
  OUTPUT ${JOV_GENERATED}/jov-cli-commands.h2m
  COMMAND ${JOV_CLI_DOCS} man $<TARGET_FILE:jov-cli> > ${JOV_GENERATED}/jov-cli-commands.h2m
  DEPENDS jov-cli ${JOV_CLI_DOCS}
  COMMENT "Listing jov-cli's commands for its manual page")
add_custom_command(
  OUTPUT ${JOV_GENERATED}/jov-cli.1
  COMMAND ${HELP2MAN} --no-info --section=1 --version-string=${PROJECT_VERSION}
          "--name=the JOV map editor's commands without a window"
          --include=${JOV_GENERATED}/jov-cli-commands.h2m --include=${JOV_PACKAGING}/jov-cli.h2m
          --output=${JOV_GENERATED}/jov-cli.1 $<TARGET_FILE:jov-cli>
  DEPENDS jov-cli ${JOV_GENERATED}/jov-cli-commands.h2m ${JOV_PACKAGING}/jov-cli.h2m
  COMMENT "Writing the jov-cli manual page from jov-cli --help"
  VERBATIM)
add_custom_command(
  OUTPUT ${JOV_GENERATED}/jov-cli.bash
  COMMAND ${JOV_CLI_DOCS} completion $<TARGET_FILE:jov-cli> > ${JOV_GENERATED}/jov-cli.bash
  DEPENDS jov-cli ${JOV_CLI_DOCS}
  COMMENT "Writing jov-cli's bash completion from jov-cli --help")
set(JOV_DOC_OUTPUTS ${JOV_GENERATED}/jov-cli.1 ${JOV_GENERATED}/jov-cli.bash)
set(JOV_MAN_PAGES ${JOV_GENERATED}/jov-cli.1)

if(TARGET jov)
  # help2man runs the program it documents; the editor answers --help without a
  # window, and runs offscreen here so a build machine needs no display.
  file(GENERATE OUTPUT ${JOV_GENERATED}/help/jov
       INPUT ${JOV_PACKAGING}/jov-help.in
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  add_custom_command(
    OUTPUT ${JOV_GENERATED}/jov.1
    COMMAND ${HELP2MAN} --no-info --section=1 --version-string=${PROJECT_VERSION}
            "--name=an editor for the tags of Halo map files"
            --include=${JOV_PACKAGING}/jov.h2m
            --output=${JOV_GENERATED}/jov.1 ${JOV_GENERATED}/help/jov
    DEPENDS jov ${JOV_PACKAGING}/jov.h2m ${JOV_PACKAGING}/jov-help.in
    COMMENT "Writing the jov manual page from jov --help"
    VERBATIM)
  list(APPEND JOV_DOC_OUTPUTS ${JOV_GENERATED}/jov.1)
  list(APPEND JOV_MAN_PAGES ${JOV_GENERATED}/jov.1)
endif()

# A Debian package wants its manual pages compressed and a Debian changelog; both
# are made always (they are small) and installed only by the package.
set(JOV_PACKAGE_MAN_PAGES "")
foreach(page IN LISTS JOV_MAN_PAGES)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${GZIP} -9nc ${page} > ${page}.gz
    DEPENDS ${page})
  list(APPEND JOV_DOC_OUTPUTS ${page}.gz)
  list(APPEND JOV_PACKAGE_MAN_PAGES ${page}.gz)
endforeach()
add_custom_command(
  OUTPUT ${JOV_GENERATED}/changelog.gz
  COMMAND ${JOV_PACKAGING}/debian-changelog.sh ${PROJECT_SOURCE_DIR}/CHANGELOG.md | ${GZIP} -9n > ${JOV_GENERATED}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${JOV_PACKAGING}/debian-changelog.sh)
list(APPEND JOV_DOC_OUTPUTS ${JOV_GENERATED}/changelog.gz)
# They run the programs they document, dozens of times: a build made only to be
# tested (test.sh's sanitizer build, where every start is slow) leaves them out.
option(JOV_DOCS "Make the manual pages, the completion and the changelog with every build" ON)
if(JOV_DOCS)
  add_custom_target(jov-docs ALL DEPENDS ${JOV_DOC_OUTPUTS})
else()
  add_custom_target(jov-docs DEPENDS ${JOV_DOC_OUTPUTS})
endif()

# --- install rules --------------------------------------------------------------
# Three components: "jov", everything; "plain", what only `cmake --install` puts
# in place (uncompressed manual pages, CHANGELOG.md); "debian", what only the
# package holds instead (installed only when asked for by name).
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME jov)
install(TARGETS jov-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET jov)
  install(TARGETS jov RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${JOV_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT plain)
install(FILES ${JOV_PACKAGE_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${JOV_GENERATED}/jov-cli.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME jov-cli)
install(FILES ${JOV_PACKAGING}/${JOV_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${JOV_PACKAGING}/${JOV_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${JOV_PACKAGING}/${JOV_APP_ID}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/src/app/resources/jov.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${JOV_APP_ID}.svg)
foreach(size 16 32 48 128 256)
  install(FILES ${JOV_PACKAGING}/icons/jov-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${JOV_APP_ID}.png)
endforeach()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/definitions/ DESTINATION ${CMAKE_INSTALL_DATADIR}/jov/definitions
        FILES_MATCHING PATTERN "*.json")
set(JOV_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/jov)
install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.md DESTINATION ${JOV_DOC_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images/ DESTINATION ${JOV_DOC_DIR}/images FILES_MATCHING PATTERN "*.png")
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${JOV_DOC_DIR} RENAME copyright)
install(FILES ${PROJECT_SOURCE_DIR}/CHANGELOG.md DESTINATION ${JOV_DOC_DIR} COMPONENT plain)
install(FILES ${JOV_GENERATED}/changelog.gz DESTINATION ${JOV_DOC_DIR} COMPONENT debian EXCLUDE_FROM_ALL)

# --- Debian package ---------------------------------------------------------------
set(CPACK_PACKAGE_NAME jov)
set(CPACK_PACKAGE_VENDOR "the JOV developers")
set(CPACK_PACKAGE_CONTACT "The JOV developers <jov@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://jov.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for the tags of Halo map files")
set(CPACK_PACKAGE_DESCRIPTION
    "JOV opens two Halo map files (Xbox, PC and CE) side by side, shows every tag\n"
    "in a tree grouped by class, and lets a modder edit index records and the\n"
    "header, scan and rewrite metadata, save, inject and copy tags between maps,\n"
    "undo every change, check a map and its CRC32, and compare maps and apply\n"
    "patches. jov-cli runs the same commands from a terminal.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_COMPONENTS_ALL jov debian)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
include(CPack)
