# The sources of the toolkit-free core, in the order of use. Included by src/ and by the fuzz
# project, so both compile the same list.
# Where the systems differ, system/ has one file per system: NAME_posix.cpp or NAME_win32.cpp.
if(WIN32)
    set(t2n_system win32)
else()
    set(t2n_system posix)
endif()
set(T2N_CORE_SOURCES
    system/Paths.cpp
    system/Files_${t2n_system}.cpp
    system/FileIdentity_${t2n_system}.cpp
    system/LargeBuffer.cpp
    system/LargeBuffer_${t2n_system}.cpp
    system/InterruptCleanup_${t2n_system}.cpp
    system/AtomicFile.cpp
    system/AtomicFile_${t2n_system}.cpp
    system/Zone_${t2n_system}.cpp
    system/DataFolder_${t2n_system}.cpp
    sqlite/Sqlite.cpp
    store/FixTable.cpp
    store/TimeBase.cpp
    decoders/BlockDecoder.cpp
    decoders/SectorDecoder.cpp
    decoders/Smoothing.cpp
    load/LogFile.cpp
    archive/Sha256.cpp
    archive/Archive.cpp
    export/NumberFormat.cpp
    export/TrackWriter.cpp
    export/NmeaExport.cpp
    export/GpxExport.cpp
    export/FigureText.cpp
    export/KmlExport.cpp
    export/GeoJsonExport.cpp
    export/CsvExport.cpp
    photos/PhotoTime.cpp
    photos/PhotoTrack.cpp
    photos/GpsTags.cpp
    photos/ImageData.cpp
    photos/PhotoMeta.cpp
    photos/Geotag.cpp
    photos/ClockFromPlace.cpp
    photos/PhotoBackup.cpp
    photos/ClockError.cpp
    messages/Language.cpp
    messages/ErrorText.cpp
    messages/PhotoErrorText.cpp
    messages/NoteText.cpp
    messages/MapText.cpp
    messages/ClockText.cpp
    convert/TimeWindow.cpp
    convert/OutputNames.cpp
    convert/ConversionService.cpp
    convert/Trips.cpp
    convert/TrackSteps.cpp
    convert/TripText.cpp
    convert/MovingFigures.cpp
    geometry/TrackLayer.cpp
    geometry/TrackPlane.cpp
    geometry/TimeAxis.cpp
    geometry/PhotoMarks.cpp
    geometry/WebMercator.cpp
    geometry/MapView.cpp
    geometry/Outline.cpp
    geometry/Profile.cpp
)
list(TRANSFORM T2N_CORE_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)

# The map's floors without Qt: map files, the tile caches' rules. A library of their own, as only
# the window reads maps.
set(T2N_TILES_SOURCES
    tiles/TileBytes.cpp
    tiles/MbTiles.cpp
    tiles/HttpCache.cpp
    tiles/TileDiskCache.cpp
)
list(TRANSFORM T2N_TILES_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)

# The release as a header, for --version and the About text.
configure_file(${CMAKE_CURRENT_LIST_DIR}/store/Version.h.in
               ${CMAKE_CURRENT_BINARY_DIR}/generated/store/Version.h @ONLY)
set(T2N_GENERATED_INCLUDE_DIR ${CMAKE_CURRENT_BINARY_DIR}/generated)
