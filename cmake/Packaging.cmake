# SPDX-License-Identifier: MIT
# Install layout and Debian packages.
#
#   <prefix>/student/  Velmora, velmora-mark, wf/          (component student)
#   <prefix>/teacher/  Velcoll, 汇总成绩.xls                 (component teacher)
#
# On Linux the prefix defaults to /opt/velmora; launchers, menu entries and
# icons then go to /usr/bin and /usr/share, so the programs are on the PATH
# and in the desktop's menu. With any other prefix they stay under it.

if(UNIX AND NOT APPLE)
  if(CMAKE_INSTALL_PREFIX STREQUAL "/opt/velmora")
    set(velmora_share /usr/share)
    set(velmora_launchers /usr/bin)
  else()
    set(velmora_share share)
    set(velmora_launchers bin)
  endif()

  function(velmora_install_launcher name target_dir program component)
    set(VELMORA_LAUNCHED ${program})
    set(VELMORA_LAUNCH_TARGET ${CMAKE_INSTALL_PREFIX}/${target_dir}/${program})
    configure_file(${CMAKE_SOURCE_DIR}/packaging/launcher.sh.in
                   ${CMAKE_BINARY_DIR}/launchers/${name} @ONLY)
    install(PROGRAMS ${CMAKE_BINARY_DIR}/launchers/${name}
            DESTINATION ${velmora_launchers} COMPONENT ${component})
  endfunction()

  velmora_install_launcher(velmora ${VELMORA_STUDENT_INSTALL_DIR} Velmora student)
  velmora_install_launcher(velmora-mark ${VELMORA_STUDENT_INSTALL_DIR} velmora-mark student)
  velmora_install_launcher(velcoll ${VELMORA_TEACHER_INSTALL_DIR} Velcoll teacher)

  install(FILES ${CMAKE_SOURCE_DIR}/packaging/velmora.desktop
          DESTINATION ${velmora_share}/applications COMPONENT student)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/velcoll.desktop
          DESTINATION ${velmora_share}/applications COMPONENT teacher)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/velmora-${size}.png
            DESTINATION ${velmora_share}/icons/hicolor/${size}x${size}/apps
            RENAME velmora.png COMPONENT student)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/velcoll-${size}.png
            DESTINATION ${velmora_share}/icons/hicolor/${size}x${size}/apps
            RENAME velcoll.png COMPONENT teacher)
  endforeach()
endif()

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/windows/Installers.cmake)
  return()
endif()

# --- Debian packages: velmora-student and velmora-teacher ---
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora <support@velmora.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_SET_DESTDIR ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL student teacher)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_STUDENT_PACKAGE_NAME velmora-student)
set(CPACK_DEBIAN_TEACHER_PACKAGE_NAME velmora-teacher)
set(CPACK_DEBIAN_STUDENT_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei | fonts-noto-cjk | fonts-arphic-uming, xdg-utils")
set(CPACK_DEBIAN_TEACHER_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei | fonts-noto-cjk | fonts-arphic-uming")
set(CPACK_DEBIAN_STUDENT_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_TEACHER_PACKAGE_RECOMMENDS "qt6-translations-l10n, libreoffice-calc")
set(CPACK_COMPONENT_STUDENT_DESCRIPTION
    "Velmora for student computers: web-page exercises, automatic marking, score upload")
set(CPACK_COMPONENT_TEACHER_DESCRIPTION
    "Velcoll for the teacher computer: collects the class's scores (needs UDP port 1202 open)")
include(CPack)
