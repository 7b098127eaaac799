# On Windows, programs load their libraries from their own folder: every program of the
# build (tests included) lies in the build tree's top, and beside it libexif, libjpeg and
# the compiler's runtime. The window adds Qt's (src/window/Windows.cmake). No Windows
# build tool is packaged in Debian, so the list is ours.
set(PICTRAK_WINDOWS_PREFIX "$ENV{PICTRAK_WINDOWS_PREFIX}" CACHE PATH "The libraries scripts/windows makes")
file(GLOB PICTRAK_RUNTIME ${PICTRAK_WINDOWS_PREFIX}/bin/libexif-*.dll ${PICTRAK_WINDOWS_PREFIX}/bin/libjpeg-*.dll)
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime} OUTPUT_VARIABLE found
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}")
    set(found /usr/x86_64-w64-mingw32/lib/${runtime})
  endif()
  list(APPEND PICTRAK_RUNTIME ${found})
endforeach()
list(LENGTH PICTRAK_RUNTIME count)
foreach(file ${PICTRAK_RUNTIME})
  if(NOT EXISTS ${file} OR count LESS 5)
    message(FATAL_ERROR "libexif, libjpeg or the runtime (${file}) is missing: make the toolchain with scripts/windows")
  endif()
endforeach()
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
file(COPY ${PICTRAK_RUNTIME} DESTINATION ${CMAKE_BINARY_DIR})
