# Packages built with CPack (scripts/package). Settings differ per platform.

set(CPACK_PACKAGE_NAME launcher)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pelvane Wakehold")
set(CPACK_PACKAGE_CONTACT "${LAUNCHER_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keep the computer awake on demand and log how long")
set(CPACK_PACKAGE_DESCRIPTION
  "A small mascot in the system tray keeps the computer awake while you want it
to, in normal mode (system, disk and display stay awake) or forced mode (the
machine keeps running while every screen is black and asleep, until the first
input), for a fixed time or without end, and keeps a record of how long.
A dashboard shows past sessions, a seven-day chart and an energy estimate.")
set(CPACK_STRIP_FILES ON)

if(APPLE)
  # A disk image holding the bundle that installing puts together.
  set(CPACK_GENERATOR DragNDrop)
  set(CPACK_PACKAGE_FILE_NAME "launcher-${PROJECT_VERSION}")
  set(CPACK_DMG_VOLUME_NAME "launcher ${PROJECT_VERSION}")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_RELEASE ${LAUNCHER_DEBIAN_REVISION})
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${LAUNCHER_HOMEPAGE}")
  # The libraries come from what the programs link; the rest is looked up at
  # run time and its absence only skips a step: pactl mutes and restores the
  # sound, Qt's own translations put its dialogs in Chinese,
  # brightnessctl dims the backlight.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio-utils, qt6-translations-l10n")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "brightnessctl")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()

include(CPack)
