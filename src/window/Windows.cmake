# The program on Windows: its icon, version and manifest in the .exe, and beside it Qt's libraries and
# its windows platform and style plugins, there for the tests and installed with the
# program and the runtime (cmake/WindowsRuntime.cmake).

add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/pictrak2shp.ico
                   COMMAND make_icons ${CMAKE_BINARY_DIR}/pictrak2shp.ico 16 24 32 48 256 DEPENDS make_icons)
set(PICTRAK_ICO ${CMAKE_BINARY_DIR}/pictrak2shp.ico)
set(PICTRAK_MANIFEST ${CMAKE_CURRENT_SOURCE_DIR}/pictrak2shp.manifest)
configure_file(pictrak2shp.rc.in ${CMAKE_BINARY_DIR}/pictrak2shp.rc @ONLY)
target_sources(pictrak2shp PRIVATE ${CMAKE_BINARY_DIR}/pictrak2shp.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/pictrak2shp.rc PROPERTIES OBJECT_DEPENDS "${PICTRAK_ICO};${PICTRAK_MANIFEST}")

set(prefix ${PICTRAK_WINDOWS_PREFIX})
set(libraries ${prefix}/bin/Qt6Core.dll ${prefix}/bin/Qt6Gui.dll ${prefix}/bin/Qt6Widgets.dll)
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
install(FILES ${PROJECT_SOURCE_DIR}/data/latlongwgs84.prj ${libraries} ${PICTRAK_RUNTIME} DESTINATION .)
install(FILES ${platform} DESTINATION platforms)
install(FILES ${style} DESTINATION styles)
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION . RENAME copyright.txt)
