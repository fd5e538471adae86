# Exiv2, the photo metadata library of the geotagging, as the target T2N::Exiv2.
#
# A native build takes the system's (Debian's libexiv2-dev) through pkg-config. A cross build
# for Windows takes the static Exiv2 and expat that scripts/build-exiv2-windows.sh made: its
# prefix is T2N_EXIV2_ROOT, which the Windows targets of the Makefile pass.
if(TARGET T2N::Exiv2)
    return()
endif()
set(T2N_EXIV2_ROOT "" CACHE PATH "Prefix of a static Exiv2 built for the target system")
add_library(T2N::Exiv2 INTERFACE IMPORTED)
if(T2N_EXIV2_ROOT)
    find_library(T2N_EXIV2_LIB exiv2 PATHS ${T2N_EXIV2_ROOT}/lib NO_DEFAULT_PATH REQUIRED)
    find_library(T2N_EXIV2_XMP_LIB exiv2-xmp PATHS ${T2N_EXIV2_ROOT}/lib NO_DEFAULT_PATH REQUIRED)
    find_library(T2N_EXPAT_LIB expat PATHS ${T2N_EXIV2_ROOT}/lib NO_DEFAULT_PATH REQUIRED)
    find_library(T2N_ZLIB_LIB z REQUIRED)
    target_include_directories(T2N::Exiv2 SYSTEM INTERFACE ${T2N_EXIV2_ROOT}/include)
    target_compile_definitions(T2N::Exiv2 INTERFACE XML_STATIC)
    target_link_libraries(T2N::Exiv2 INTERFACE ${T2N_EXIV2_LIB} ${T2N_EXIV2_XMP_LIB}
                          ${T2N_EXPAT_LIB} ${T2N_ZLIB_LIB})
    if(WIN32)
        target_link_libraries(T2N::Exiv2 INTERFACE psapi ws2_32 shell32)
    endif()
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(T2N_PC_EXIV2 REQUIRED IMPORTED_TARGET exiv2)
    target_link_libraries(T2N::Exiv2 INTERFACE PkgConfig::T2N_PC_EXIV2)
endif()
