# SPDX-License-Identifier: MIT
# What a program needs on Windows beyond its code: its icon in the executable,
# and Qt's Chinese texts built in (a Windows install carries no Qt
# translations folder; see installChineseQtTranslation()).

set(VELMORA_QT_TRANSLATIONS /usr/share/qt6/translations CACHE PATH
    "Folder with qtbase_zh_CN.qm (Debian's qt6-translations-l10n) to build into the Windows programs")

function(velmora_windows_app target icon)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_icon.rc)
  file(WRITE ${rc} "IDI_ICON1 ICON \"${icon}\"\n")
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${icon})

  set(qm ${VELMORA_QT_TRANSLATIONS}/qtbase_zh_CN.qm)
  if(EXISTS ${qm})
    qt_add_resources(${target} ${target}_qt_translations
      PREFIX /translations BASE ${VELMORA_QT_TRANSLATIONS} FILES ${qm})
  else()
    message(WARNING "${qm} is missing: ${target} shows Qt's dialog buttons in English")
  endif()
endfunction()
