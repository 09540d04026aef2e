# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cmake --build BUILD --target package` (scripts/package.sh does the
# whole road). It holds exactly what `cmake --install` installs, under /usr.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME subbig5)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})

# The package's version is the project's with a Debian revision, both from the newest entry of
# debian/changelog.in ("subbig5 (1.0.0-1) ..."), which must name the project's version: a
# release moves the two together, and a fix to the packaging alone bumps the revision.
file(STRINGS debian/changelog.in newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^subbig5 \\(([^-)]+)-([^)]+)\\) ")
  message(FATAL_ERROR "packaging/debian/changelog.in: its first line names no version VERSION-REVISION")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/debian/changelog.in's newest entry is for ${CMAKE_MATCH_1}, the project is "
                      "${PROJECT_VERSION}: add an entry for this release (NEWS.md says what a release updates)")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Traditional Chinese subtitle text editor (Big5, GB2312)")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"SubBig5 is a plain-text editor for Traditional Chinese users who clean up
subtitle files. A subtitle written in Simplified Chinese and encoded in
GB2312 opens through the Big5 code page, becomes Traditional Chinese with
one command (簡轉繁) and is corrected with another (字幕矯正), then is saved
as Big5.

subbig5-convert does the same work without a window, on many files.")
# The maintainer is whoever builds the package: the project has no address of its own to put
# here. scripts/package.sh fills it in from DEBFULLNAME and DEBEMAIL (as dch reads them) or
# git's user.name and user.email. Without it there is no package (CPack says so) and no changelog.
set(SUBBIG5_PACKAGE_MAINTAINER "" CACHE STRING "The Debian package's Maintainer: \"Name <address>\"")
if(SUBBIG5_PACKAGE_MAINTAINER)
  set(CPACK_PACKAGE_CONTACT "${SUBBIG5_PACKAGE_MAINTAINER}")

  # The changelog (changelog.Debian.gz): packaging/debian/changelog.in, signed by the maintainer
  # on the release date.
  execute_process(COMMAND date -u -R -d "${SUBBIG5_RELEASE_DATE} 00:00:00 UTC"
                  OUTPUT_VARIABLE SUBBIG5_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  configure_file(debian/changelog.in changelog.Debian @ONLY)
  set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
  add_custom_command(OUTPUT ${changelog}
    COMMAND ${GZIP} -9 -n -k -f ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian
    COMMENT "Compressing the Debian changelog" VERBATIM)
  add_custom_target(subbig5_changelog ALL DEPENDS ${changelog})
  install(FILES ${changelog} DESTINATION ${SUBBIG5_DOC_DIR})
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)   # subbig5_1.0.0-1_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The libraries the programs link (Qt 6 widgets, QScintilla, ICU, OpenCC) come from
# dpkg-shlibdeps. What the programs load at run time without linking it is named here: the SVG
# plugins that draw the window icon, and OpenCC's dictionaries for the phrase step.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# Without a CJK font Chinese shows as empty boxes; Qt's own buttons speak Traditional Chinese
# with its translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
# A Wayland desktop runs the editor through XWayland without it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")

include(CPack)
