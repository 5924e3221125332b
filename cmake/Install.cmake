# Installation as a desktop program (program, desktop entry, hicolor icons, AppStream
# metainfo) and the Debian package built from it with CPack.
include(GNUInstallDirs)

set(TEMPINEX_APP_ID io.github.kanorem.Tempinex64)
set(TEMPINEX_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

if(TARGET Tempinex64)
  install(TARGETS Tempinex64 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES ${TEMPINEX_PACKAGING_DIR}/${TEMPINEX_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

configure_file(${TEMPINEX_PACKAGING_DIR}/${TEMPINEX_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/packaging/${TEMPINEX_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/${TEMPINEX_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The two smallest sizes are the window icons themselves; the larger ones are drawn by
# packaging/draw_icons.py.
set(TEMPINEX_ICON_DIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
foreach(size 16 32)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icon128_${size}.png
          DESTINATION ${TEMPINEX_ICON_DIR}/${size}x${size}/apps RENAME ${TEMPINEX_APP_ID}.png)
endforeach()
foreach(size 48 64 128 256)
  install(FILES ${TEMPINEX_PACKAGING_DIR}/icons/tempinex64_${size}.png
          DESTINATION ${TEMPINEX_ICON_DIR}/${size}x${size}/apps RENAME ${TEMPINEX_APP_ID}.png)
endforeach()
install(FILES ${TEMPINEX_PACKAGING_DIR}/icons/tempinex64.svg
        DESTINATION ${TEMPINEX_ICON_DIR}/scalable/apps RENAME ${TEMPINEX_APP_ID}.svg)

# The right-click entries of the file managers, each where its file manager looks for it:
# Dolphin's service menus, Nemo's actions, the file manager actions of Caja (caja-actions),
# Thunar's "Send To" menu and a nautilus-python extension.
set(TEMPINEX_FILE_MANAGER_DIR ${TEMPINEX_PACKAGING_DIR}/file-managers)
install(FILES ${TEMPINEX_FILE_MANAGER_DIR}/dolphin-servicemenu.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus RENAME ${TEMPINEX_APP_ID}.desktop)
install(FILES ${TEMPINEX_FILE_MANAGER_DIR}/nemo.nemo_action
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nemo/actions RENAME ${TEMPINEX_APP_ID}.nemo_action)
install(FILES ${TEMPINEX_FILE_MANAGER_DIR}/file-manager-action.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/file-manager/actions RENAME ${TEMPINEX_APP_ID}.desktop)
install(FILES ${TEMPINEX_FILE_MANAGER_DIR}/thunar-sendto.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/Thunar/sendto RENAME ${TEMPINEX_APP_ID}.desktop)
# nautilus-python imports each file as a module: the name must be a Python identifier.
install(FILES ${TEMPINEX_FILE_MANAGER_DIR}/nautilus_extension.py
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nautilus-python/extensions RENAME tempinex64.py)

# Looks up, in the machine's own icon theme and MIME database, what a desktop would: used by
# the package test, never installed.
if(TARGET tempinex_qt)
  add_executable(tempinex_desktop_check ${TEMPINEX_PACKAGING_DIR}/desktop_check.cpp)
  target_link_libraries(tempinex_desktop_check PRIVATE tempinex_qt)
  target_compile_definitions(tempinex_desktop_check
                             PRIVATE TEMPINEX_APP_ID="${TEMPINEX_APP_ID}")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tempinex64)
set(CPACK_PACKAGE_VENDOR kanorem)
set(CPACK_PACKAGE_CONTACT "Tempinex64 developers <tempinex64@kanorem.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "show and change the time stamps, attributes and name of files")
set(CPACK_PACKAGE_DESCRIPTION
    "A small desktop tool with a Japanese user interface for the creation, last write and\
 last access times, the read-only, hidden, system and archive attributes and the name of\
 files, and the command tempinex that shows and sets them from scripts. The Windows\
 attributes are kept in the extended attribute user.DOSATTRIB, as Samba and Wine keep them.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The Qt libraries come from the program's own links; the rest is what it finds at run time:
# a Japanese font, Qt's own translations (the open-file dialog in Japanese), the MIME type
# names and an icon theme to fall back on.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-ipafont-gothic, qt6-translations-l10n, shared-mime-info,\
 hicolor-icon-theme | adwaita-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
# What the right-click entries of Nautilus and Caja need; the other file managers read theirs
# themselves.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-nautilus, caja-actions")
include(CPack)
