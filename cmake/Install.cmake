# What `cmake --install` puts where, for the Debian package and for a plain install:
# the program, its read-only data, and what a desktop needs to offer it (menu entry,
# icons, the form file type, software-centre metadata, manual pages).
include(GNUInstallDirs)

# Directories made by the install are 0755 whatever the umask of whoever builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(FORMELAN_SCREENSHOT_URL "" CACHE STRING
    "http(s) address of docs/screenshot.png as published; the AppStream metadata shows it when set")

set(formelan_res ${PROJECT_SOURCE_DIR}/resources)
set(formelan_gen ${PROJECT_BINARY_DIR}/install-files)

# The release's entry in the Debian changelog names the version and gives the date
# that the AppStream metadata repeats; both must agree with the project's version.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog formelan_changelog_head LIMIT_COUNT 1)
if(NOT formelan_changelog_head MATCHES "^formelan \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog lacks an entry for version ${PROJECT_VERSION} at its top")
endif()
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog formelan_changelog_trailer
     REGEX "^ -- " LIMIT_COUNT 1)
if(NOT formelan_changelog_trailer MATCHES ">  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "Cannot read the date of the newest entry of packaging/changelog")
endif()
set(formelan_day ${CMAKE_MATCH_1})
set(formelan_year ${CMAKE_MATCH_3})
set(formelan_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND formelan_months ${CMAKE_MATCH_2} formelan_month)
math(EXPR formelan_month "${formelan_month} + 1" OUTPUT_FORMAT DECIMAL)
if(formelan_month LESS 10)
  set(formelan_month 0${formelan_month})
endif()
set(FORMELAN_RELEASE_DATE ${formelan_year}-${formelan_month}-${formelan_day})

# AppStream takes screenshots by web address only (a file path fails validation), so
# the screenshot is listed once the build is told where it is published.
set(FORMELAN_METAINFO_SCREENSHOTS "")
if(FORMELAN_SCREENSHOT_URL)
  # The size comes from the PNG header: width and height are big-endian at bytes 16 and 20.
  file(READ ${PROJECT_SOURCE_DIR}/docs/screenshot.png png_head OFFSET 16 LIMIT 8 HEX)
  string(SUBSTRING ${png_head} 0 8 png_w)
  string(SUBSTRING ${png_head} 8 8 png_h)
  math(EXPR png_w "0x${png_w}")
  math(EXPR png_h "0x${png_h}")
  string(CONCAT FORMELAN_METAINFO_SCREENSHOTS
    "  <screenshots>\n"
    "    <screenshot type=\"default\">\n"
    "      <caption>The combined transfer order and deposit slip, with the two address books behind it</caption>\n"
    "      <caption xml:lang=\"bg\">Преводно нареждане/вносна бележка, зад него двете адресни книги</caption>\n"
    "      <image type=\"source\" width=\"${png_w}\" height=\"${png_h}\">${FORMELAN_SCREENSHOT_URL}</image>\n"
    "    </screenshot>\n"
    "  </screenshots>\n")
endif()
configure_file(${formelan_res}/bg.formelan.formelan.metainfo.xml.in
               ${formelan_gen}/bg.formelan.formelan.metainfo.xml @ONLY)

# Manual pages and the changelog go out compressed, as Debian wants them; -n leaves the
# name and time out of the gzip header so that every build gives the same bytes.
set(formelan_gz_files)
function(formelan_gzip in out)
  add_custom_command(OUTPUT ${out}
    COMMAND gzip -9n -c ${in} > ${out}
    DEPENDS ${in}
    VERBATIM)
  set(formelan_gz_files ${formelan_gz_files} ${out} PARENT_SCOPE)
endfunction()
foreach(lang en bg)
  set(suffix "")
  if(NOT lang STREQUAL en)
    set(suffix .${lang})
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/formelan${suffix}.1.in
                 ${formelan_gen}/man${suffix}/formelan.1 @ONLY)
  formelan_gzip(${formelan_gen}/man${suffix}/formelan.1 ${formelan_gen}/man${suffix}/formelan.1.gz)
endforeach()
formelan_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${formelan_gen}/changelog.gz)
add_custom_target(formelan_install_files ALL DEPENDS ${formelan_gz_files})

install(TARGETS formelan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (CPack strips) also drops the compiler's version notes, as
# Debian's own packages do.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/formelan\"
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/help ${PROJECT_SOURCE_DIR}/data/forms
        DESTINATION ${CMAKE_INSTALL_DATADIR}/formelan PATTERN ".keep" EXCLUDE)

install(FILES ${formelan_res}/formelan.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${formelan_res}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${formelan_res}/icons/formelan.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${formelan_res}/formelan-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME formelan.xml)
install(FILES ${formelan_gen}/bg.formelan.formelan.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

install(FILES ${formelan_gen}/man/formelan.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${formelan_gen}/man.bg/formelan.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/bg/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME formelan)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${formelan_gen}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/formelan)
# For whoever sets up an office's shared address book on a PostgreSQL server.
install(FILES ${PROJECT_SOURCE_DIR}/docs/postgresql.md ${PROJECT_SOURCE_DIR}/docs/postgresql-setup.sql
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/formelan)
