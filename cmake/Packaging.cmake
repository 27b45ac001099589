# SPDX-License-Identifier: MIT
# Install layout and Debian packages.
#
#   <prefix>/student/  Velmora, velmora-mark, wf/          (component student)
#   <prefix>/teacher/  Velcoll, 汇总成绩.xls                 (component teacher)
#   <prefix>/editor/   velmora-editor (where Qt WebEngine is found) (component editor)
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

  if(TARGET velmora-editor)
    velmora_install_launcher(velmora-editor editor velmora-editor editor)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/velmora-editor.desktop
            DESTINATION ${velmora_share}/applications COMPONENT editor)
  endif()
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

  # What Debian expects of each package: copyright and changelog, man pages
  # (compressed without names or times, so builds repeat), AppStream data,
  # and lintian's overrides with their reasons.
  set(velmora_gen ${CMAKE_BINARY_DIR}/packaging)
  function(velmora_gzip source output)
    add_custom_command(OUTPUT ${output}
      COMMAND gzip -9nc ${source} > ${output}
      DEPENDS ${source} VERBATIM)
  endfunction()
  velmora_gzip(${CMAKE_SOURCE_DIR}/packaging/changelog ${velmora_gen}/changelog.gz)
  set(velmora_generated ${velmora_gen}/changelog.gz)
  set(velmora_pages velmora velcoll velmora-mark)
  set(velmora_parts student:velmora-student:velmora teacher:velmora-teacher:velcoll)
  if(TARGET velmora-editor)
    list(APPEND velmora_pages velmora-editor)
    list(APPEND velmora_parts editor:velmora-editor:velmora-editor)
  endif()
  foreach(page ${velmora_pages})
    configure_file(${CMAKE_SOURCE_DIR}/packaging/man/${page}.1.in ${velmora_gen}/${page}.1 @ONLY)
    velmora_gzip(${velmora_gen}/${page}.1 ${velmora_gen}/${page}.1.gz)
    list(APPEND velmora_generated ${velmora_gen}/${page}.1.gz)
  endforeach()
  add_custom_target(velmora_packaging_files ALL DEPENDS ${velmora_generated})

  foreach(part ${velmora_parts})
    string(REPLACE ":" ";" part ${part})
    list(GET part 0 component)
    list(GET part 1 package)
    list(GET part 2 program)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${velmora_gen}/changelog.gz
            DESTINATION ${velmora_share}/doc/${package} COMPONENT ${component})
    if(component STREQUAL "editor")
      # The editor has no AppStream entry of its own: it is a helper of the
      # student program, offered for HTML files under "Open with".
      set(PACKAGE ${package})
      set(FOLDER ${component})
      set(VELMORA_MORE_OVERRIDES "")
      configure_file(${CMAKE_SOURCE_DIR}/packaging/lintian-overrides.in
                     ${velmora_gen}/overrides/${package} @ONLY)
      install(FILES ${velmora_gen}/overrides/${package}
              DESTINATION ${velmora_share}/lintian/overrides COMPONENT ${component})
      continue()
    endif()
    configure_file(${CMAKE_SOURCE_DIR}/packaging/${program}.metainfo.xml.in
                   ${velmora_gen}/org.example.${program}.metainfo.xml @ONLY)
    install(FILES ${velmora_gen}/org.example.${program}.metainfo.xml
            DESTINATION ${velmora_share}/metainfo COMPONENT ${component})
    set(PACKAGE ${package})
    set(FOLDER ${component})
    set(VELMORA_MORE_OVERRIDES "")
    if(component STREQUAL "student")
      file(READ ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides-student.in VELMORA_MORE_OVERRIDES)
      string(CONFIGURE "${VELMORA_MORE_OVERRIDES}" VELMORA_MORE_OVERRIDES @ONLY)
    endif()
    configure_file(${CMAKE_SOURCE_DIR}/packaging/lintian-overrides.in
                   ${velmora_gen}/overrides/${package} @ONLY)
    install(FILES ${velmora_gen}/overrides/${package}
            DESTINATION ${velmora_share}/lintian/overrides COMPONENT ${component})
  endforeach()
  install(FILES ${velmora_gen}/velmora.1.gz ${velmora_gen}/velmora-mark.1.gz
          DESTINATION ${velmora_share}/man/man1 COMPONENT student)
  install(FILES ${velmora_gen}/velcoll.1.gz
          DESTINATION ${velmora_share}/man/man1 COMPONENT teacher)
  if(TARGET velmora-editor)
    install(FILES ${velmora_gen}/velmora-editor.1.gz
            DESTINATION ${velmora_share}/man/man1 COMPONENT editor)
  endif()

  set(velmora_editor_program "")
  if(TARGET velmora-editor)
    set(velmora_editor_program editor/velmora-editor:editor)
  endif()
  # The compilers' version notes (.comment) are of no use in the packages;
  # strip keeps them, so they go here, after the programs are installed.
  foreach(program ${VELMORA_STUDENT_INSTALL_DIR}/Velmora:student
                  ${VELMORA_STUDENT_INSTALL_DIR}/velmora-mark:student
                  ${VELMORA_TEACHER_INSTALL_DIR}/Velcoll:teacher
                  ${velmora_editor_program})
    string(REPLACE ":" ";" program ${program})
    list(GET program 0 path)
    list(GET program 1 component)
    install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${path}\" COMMAND_ERROR_IS_FATAL ANY)"
            COMPONENT ${component})
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
if(TARGET velmora-editor)
  list(APPEND CPACK_COMPONENTS_ALL editor)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://velmora.example/")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Purge removes the settings files earlier versions wrote into the program
# folder and the lab-wide teacher address; dpkg knows the script by its name
# in the package: postrm.
configure_file(${CMAKE_SOURCE_DIR}/packaging/student.postrm
               ${CMAKE_BINARY_DIR}/packaging/student/postrm COPYONLY)
set(CPACK_DEBIAN_STUDENT_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/student/postrm)
set(CPACK_DEBIAN_STUDENT_PACKAGE_NAME velmora-student)
set(CPACK_DEBIAN_TEACHER_PACKAGE_NAME velmora-teacher)
set(CPACK_DEBIAN_STUDENT_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei | fonts-noto-cjk | fonts-arphic-uming, xdg-utils")
set(CPACK_DEBIAN_TEACHER_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei | fonts-noto-cjk | fonts-arphic-uming, xdg-utils")
set(CPACK_DEBIAN_STUDENT_PACKAGE_RECOMMENDS "qt6-translations-l10n, velmora-editor")
# The page editor: Qt WebEngine's libraries come through shlibdeps, its
# helper process and resources through libqt6webenginecore6-bin.
set(CPACK_DEBIAN_EDITOR_PACKAGE_NAME velmora-editor)
set(CPACK_DEBIAN_EDITOR_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6webenginecore6-bin, fonts-wqy-microhei | fonts-noto-cjk | fonts-arphic-uming")
set(CPACK_DEBIAN_EDITOR_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_EDITOR_PACKAGE_SUGGESTS "velmora-student")
set(CPACK_COMPONENT_EDITOR_DESCRIPTION "page editor for the Velmora exercises
velmora-editor edits one web page at a time as a browser shows it, and writes
the classic presentational HTML (font, align, bgcolor, background, border,
marquee) that the marking of Velmora reads, so a student reaches full marks
without typing HTML. It keeps the page's encoding, never runs the page's
scripts and loads nothing from the network. After each save it shows the
page's score for its exercise set.")
set(CPACK_DEBIAN_TEACHER_PACKAGE_RECOMMENDS "qt6-translations-l10n, libreoffice-calc")
# The first line is the synopsis, the rest the extended description.
set(CPACK_COMPONENT_STUDENT_DESCRIPTION "web-page exercises with automatic marking (student)
Velmora is the student program of a classroom kit for practising web-page
making. The student picks one of nine exercise sets, edits the set's pages in
any HTML or text editor, and lets Velmora mark them; the score goes to the
teacher's Velcoll over the lab network (UDP port 1202).
.
The package also carries velmora-mark, which marks pages from the command
line, one page or a whole class at a time.")
set(CPACK_COMPONENT_TEACHER_DESCRIPTION "score collector for Velmora classes (teacher)
Velcoll is the teacher's program of a classroom kit for practising web-page
making. It receives the scores that the students' Velmora programs send over
the lab network, shows one row per computer and set, and saves the list as a
text file that the summary workbook beside it imports.
.
The teacher computer must accept UDP port 1202 from the lab network.")
include(CPack)
