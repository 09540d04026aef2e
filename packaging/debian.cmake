# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cmake --build BUILD --target package` (scripts/package.sh does the
# whole road). It holds exactly what `cmake --install` installs, under /usr.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME subbig5)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
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
if(SUBBIG5_CONTACT MATCHES "<")
  set(CPACK_PACKAGE_CONTACT "${SUBBIG5_CONTACT}")
else()
  set(CPACK_PACKAGE_CONTACT "SubBig5 developers <${SUBBIG5_CONTACT}>")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)   # subbig5_1.0.0_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The libraries the programs link (Qt 6 widgets, QScintilla, ICU) come from dpkg-shlibdeps.
# What the programs load at run time without linking it is named here: the SVG plugins that
# draw the window icon, and OpenCC with its dictionaries for the phrase step.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, libopencc1.1")
# Without a CJK font Chinese shows as empty boxes; Qt's own buttons speak Traditional Chinese
# with its translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
# A Wayland desktop runs the editor through XWayland without it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")

include(CPack)
