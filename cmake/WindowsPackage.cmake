# The Windows program folder that `cmake --install` lays out: the programs with Qt's
# libraries, the plugins they load, MinGW's runtime, Qt's Japanese texts and the help
# pages, so that the folder runs as it is, from a zip or from the installer.
set(BRISK_APP_ID org.example.brisk_hx7730)
set(windows ${PROJECT_SOURCE_DIR}/data/windows)
set(BRISK_WINDOWS_RC ${windows}/brisk.rc)

set(qt_bin ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS})
set(qt_plugins ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
install(FILES ${qt_bin}/Qt6Core.dll ${qt_bin}/Qt6Gui.dll ${qt_bin}/Qt6Widgets.dll ${qt_bin}/Qt6Sql.dll
              ${qt_bin}/sqlite3.dll DESTINATION .)
install(FILES ${qt_plugins}/platforms/qwindows.dll DESTINATION plugins/platforms)
install(FILES ${qt_plugins}/sqldrivers/qsqlite.dll DESTINATION plugins/sqldrivers)
install(FILES ${qt_plugins}/styles/qwindowsvistastyle.dll DESTINATION plugins/styles)
install(FILES ${windows}/qt.conf DESTINATION .)

# MinGW's own runtime, from the compiler that built the programs.
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}")
    message(FATAL_ERROR "MinGW's ${runtime} not found")
  endif()
  install(FILES ${found} DESTINATION .)
endforeach()

# Qt's own buttons and dialogs in Japanese: the same file the Linux build loads.
find_file(BRISK_QTBASE_JA qtbase_ja.qm PATHS /usr/share/qt6/translations NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(BRISK_QTBASE_JA)
  install(FILES ${BRISK_QTBASE_JA} DESTINATION translations)
endif()
