# The window on Windows links a static Qt that scripts/build-qt-windows.sh builds from Debian's Qt
# sources into a cache outside the clone (`make test-windows` and `make package-windows` run it
# first). This finds that Qt, or the one T2N_QT_WINDOWS_PREFIX names; without either, the window
# and its tests are left out and the core, the CLI and their tests are built alone.
set(T2N_QT_WINDOWS_PREFIX "" CACHE PATH "A static Qt 6 for Windows (default: the script's cache)")

set(t2n_qt_prefix ${T2N_QT_WINDOWS_PREFIX})
if(NOT t2n_qt_prefix)
    # Asked at every configure: a new compiler or Qt source version is a new cache entry.
    execute_process(
        COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/build-qt-windows.sh --cached
        OUTPUT_VARIABLE t2n_qt_prefix
        OUTPUT_STRIP_TRAILING_WHITESPACE
        ERROR_QUIET)
endif()

if(t2n_qt_prefix AND EXISTS ${t2n_qt_prefix}/lib/cmake/Qt6/Qt6Config.cmake)
    # The cross build looks for packages below the roots only (see the toolchain file).
    list(APPEND CMAKE_FIND_ROOT_PATH ${t2n_qt_prefix})
    list(APPEND CMAKE_PREFIX_PATH ${t2n_qt_prefix})
    message(STATUS "The window is built with the static Qt in ${t2n_qt_prefix}")
else()
    message(STATUS "No static Qt for Windows: the window is not built "
                   "(scripts/build-qt-windows.sh builds one)")
    set(T2N_BUILD_APP OFF)
endif()
