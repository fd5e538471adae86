# Exiv2, the photo metadata library of the geotagging, as the target T2N::Exiv2.
#
# A native build takes the system's (Debian's libexiv2-dev) through pkg-config. A cross build
# for Windows takes the static Exiv2 and expat that scripts/build-exiv2-windows.sh makes from
# Debian's sources, in a cache outside the clone: the Windows targets of the Makefile run it
# first, so that here it only names its prefix. T2N_EXIV2_ROOT names another prefix.
if(TARGET T2N::Exiv2)
    return()
endif()
set(T2N_EXIV2_ROOT "" CACHE PATH "Prefix of a static Exiv2 built for the target system")
add_library(T2N::Exiv2 INTERFACE IMPORTED)
set(t2n_exiv2_root ${T2N_EXIV2_ROOT})
if(NOT t2n_exiv2_root AND CMAKE_CROSSCOMPILING AND WIN32)
    execute_process(COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../scripts/build-exiv2-windows.sh
                    OUTPUT_VARIABLE t2n_exiv2_root OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE t2n_exiv2_status)
    if(NOT t2n_exiv2_status EQUAL 0)
        message(FATAL_ERROR "scripts/build-exiv2-windows.sh failed (${t2n_exiv2_status})")
    endif()
endif()
if(t2n_exiv2_root)
    foreach(lib exiv2 exiv2-xmp expat)
        find_library(t2n_lib_${lib} ${lib} PATHS ${t2n_exiv2_root}/lib NO_DEFAULT_PATH
                     NO_CMAKE_FIND_ROOT_PATH NO_CACHE REQUIRED)
        target_link_libraries(T2N::Exiv2 INTERFACE ${t2n_lib_${lib}})
    endforeach()
    # zlib's static archive, not its import library: the programs carry no DLL beside them.
    find_library(t2n_lib_z NAMES libz.a z NO_CACHE REQUIRED)
    target_link_libraries(T2N::Exiv2 INTERFACE ${t2n_lib_z})
    target_include_directories(T2N::Exiv2 SYSTEM INTERFACE ${t2n_exiv2_root}/include)
    # Both are static: no import declarations.
    target_compile_definitions(T2N::Exiv2 INTERFACE exiv2lib_STATIC XML_STATIC)
    if(WIN32)
        target_link_libraries(T2N::Exiv2 INTERFACE psapi ws2_32)
    endif()
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(T2N_PC_EXIV2 REQUIRED IMPORTED_TARGET exiv2)
    target_link_libraries(T2N::Exiv2 INTERFACE PkgConfig::T2N_PC_EXIV2)
endif()
