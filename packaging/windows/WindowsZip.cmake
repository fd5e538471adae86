# The download for Windows, from packaging/CMakeLists.txt: both programs, each one self-contained
# .exe, their manuals and our licence side by side in tallo2nmea-VERSION-win64.zip. The window
# links Qt statically, so the zip also carries Qt's licences and notices and a README that says
# where Qt's source is and how to relink. A build without the window (no static Qt for Windows)
# packs the converter alone, as tallo2nmea-cli-VERSION-win64.zip. Text files get the CR LF line
# ends that every Windows editor shows.

# Installs the text file `source` as `name` beside the programs, with CR LF line ends.
function(t2n_install_windows_text source name)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(READ ${source} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/windows/${name} "${text}")
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/windows/${name} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

t2n_install_windows_text(${PROJECT_SOURCE_DIR}/docs/cli.md tallo2nmea-cli.txt)
t2n_install_windows_text(${PROJECT_SOURCE_DIR}/docs/geotag.md geotag.txt)
t2n_install_windows_text(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt)
if(NOT TARGET tallo2nmea)
    set(CPACK_PACKAGE_FILE_NAME tallo2nmea-cli-${PROJECT_VERSION}-win64)
    return()
endif()

t2n_install_windows_text(${PROJECT_SOURCE_DIR}/docs/window.md tallo2nmea.txt)
set(CPACK_PACKAGE_FILE_NAME tallo2nmea-${PROJECT_VERSION}-win64)

# What scripts/build-qt-windows.sh wrote beside the Qt it built: the Debian source version and the
# configure options, and the licences and attributions of Qt and of the libraries it bundles.
find_package(Qt6 REQUIRED COMPONENTS Core)
get_filename_component(t2n_qt_root ${Qt6_DIR}/../../.. ABSOLUTE)
if(NOT EXISTS ${t2n_qt_root}/tallo2nmea-qt.txt OR NOT IS_DIRECTORY ${t2n_qt_root}/LICENSES)
    message(WARNING "${t2n_qt_root} was not built by scripts/build-qt-windows.sh: the Windows "
                    "zip lacks Qt's licences and notices")
    return()
endif()
set(T2N_QT_VERSION ${Qt6_VERSION})
file(STRINGS ${t2n_qt_root}/tallo2nmea-qt.txt t2n_qt_source REGEX "^qt6-base ")
string(REGEX REPLACE "^qt6-base ([^ ]+).*" "\\1" T2N_QT_SOURCE_VERSION "${t2n_qt_source}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/README.txt.in ${CMAKE_CURRENT_BINARY_DIR}/README.in.txt
               @ONLY)
t2n_install_windows_text(${CMAKE_CURRENT_BINARY_DIR}/README.in.txt README.txt)
install(DIRECTORY ${t2n_qt_root}/LICENSES/ DESTINATION ${CMAKE_INSTALL_BINDIR}/qt-licenses)
install(FILES ${t2n_qt_root}/tallo2nmea-qt.txt DESTINATION ${CMAKE_INSTALL_BINDIR}/qt-licenses
        RENAME qt-build.txt)
