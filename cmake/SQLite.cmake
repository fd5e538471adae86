# SQLite, the database library of map files (and the archive), as the target T2N::SQLite.
#
# A native build takes the system's (Debian's libsqlite3-dev). A cross build for Windows takes
# the static SQLite that scripts/build-sqlite-windows.sh makes from Debian's source, in a cache
# outside the clone, as cmake/Exiv2.cmake does for Exiv2. T2N_SQLITE_ROOT names another prefix.
if(TARGET T2N::SQLite)
    return()
endif()
set(T2N_SQLITE_ROOT "" CACHE PATH "Prefix of a static SQLite built for the target system")
add_library(T2N::SQLite INTERFACE IMPORTED)
set(t2n_sqlite_root ${T2N_SQLITE_ROOT})
if(NOT t2n_sqlite_root AND CMAKE_CROSSCOMPILING AND WIN32)
    execute_process(COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../scripts/build-sqlite-windows.sh
                    OUTPUT_VARIABLE t2n_sqlite_root OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE t2n_sqlite_status)
    if(NOT t2n_sqlite_status EQUAL 0)
        message(FATAL_ERROR "scripts/build-sqlite-windows.sh failed (${t2n_sqlite_status})")
    endif()
endif()
if(t2n_sqlite_root)
    find_library(t2n_lib_sqlite3 NAMES libsqlite3.a sqlite3 PATHS ${t2n_sqlite_root}/lib
                 NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH NO_CACHE REQUIRED)
    target_link_libraries(T2N::SQLite INTERFACE ${t2n_lib_sqlite3})
    target_include_directories(T2N::SQLite SYSTEM INTERFACE ${t2n_sqlite_root}/include)
else()
    find_package(SQLite3 REQUIRED)
    target_link_libraries(T2N::SQLite INTERFACE SQLite::SQLite3)
endif()
