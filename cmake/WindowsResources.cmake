# Resources of a Windows program: the manifest of packaging/windows (no elevation, Windows 10 and
# 11, paths longer than 260 characters where the system allows them) and, when ICON names one, the
# program's icon, which Explorer and the task bar show and Qt gives the program's windows
# (IDI_ICON1).
function(t2n_windows_resources target)
    cmake_parse_arguments(arg "" "ICON" "" ${ARGN})
    set(content "1 24 \"${PROJECT_SOURCE_DIR}/packaging/windows/tallo2nmea.manifest\"\n")
    if(arg_ICON)
        string(APPEND content "IDI_ICON1 ICON \"${arg_ICON}\"\n")
    endif()
    file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc CONTENT "${content}")
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
                 ${PROJECT_SOURCE_DIR}/packaging/windows/tallo2nmea.manifest)
endfunction()
