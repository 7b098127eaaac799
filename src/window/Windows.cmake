# The program on Windows: its icon and version in the .exe, and beside it everything it
# loads (Qt's libraries and its windows platform and style plugins, libexif, libjpeg and
# the compiler's runtime), there for the tests and installed with it. No Windows build tool
# is packaged in Debian, so the list is ours.

add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/pictrak2shp.ico
                   COMMAND make_icons ${CMAKE_BINARY_DIR}/pictrak2shp.ico 16 24 32 48 256 DEPENDS make_icons)
set(PICTRAK_ICO ${CMAKE_BINARY_DIR}/pictrak2shp.ico)
configure_file(pictrak2shp.rc.in ${CMAKE_BINARY_DIR}/pictrak2shp.rc @ONLY)
target_sources(pictrak2shp PRIVATE ${CMAKE_BINARY_DIR}/pictrak2shp.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/pictrak2shp.rc PROPERTIES OBJECT_DEPENDS ${PICTRAK_ICO})

set(prefix $ENV{PICTRAK_WINDOWS_PREFIX})
file(GLOB libraries ${prefix}/bin/Qt6Core.dll ${prefix}/bin/Qt6Gui.dll ${prefix}/bin/Qt6Widgets.dll
                    ${prefix}/bin/libexif-*.dll ${prefix}/bin/libjpeg-*.dll)
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime} OUTPUT_VARIABLE found
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}")
    find_file(found ${runtime} PATHS /usr/x86_64-w64-mingw32/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  endif()
  list(APPEND libraries ${found})
  unset(found CACHE)
endforeach()
set(platform ${prefix}/plugins/platforms/qwindows.dll)
set(style ${prefix}/plugins/styles/qwindowsvistastyle.dll)
foreach(file ${libraries} ${platform} ${style})
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "${file} is missing: make the toolchain with scripts/windows")
  endif()
endforeach()

# Beside the programs in the build tree; the tests also load Qt's test library and draw
# offscreen.
file(COPY ${libraries} ${prefix}/bin/Qt6Test.dll DESTINATION ${CMAKE_BINARY_DIR})
file(COPY ${platform} ${prefix}/plugins/platforms/qoffscreen.dll DESTINATION ${CMAKE_BINARY_DIR}/platforms)
file(COPY ${style} DESTINATION ${CMAKE_BINARY_DIR}/styles)
configure_file(${PROJECT_SOURCE_DIR}/data/latlongwgs84.prj ${CMAKE_BINARY_DIR}/latlongwgs84.prj COPYONLY)

install(TARGETS pictrak2shp RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/data/latlongwgs84.prj ${libraries} DESTINATION .)
install(FILES ${platform} DESTINATION platforms)
install(FILES ${style} DESTINATION styles)
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION . RENAME copyright.txt)
