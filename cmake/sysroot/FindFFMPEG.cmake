# FFmpeg's static libraries for OpenCV's video reader, found through their
# pkg-config files (PKG_CONFIG_LIBDIR points at them): OpenCV asks
# pkg-config itself only when it builds for a UNIX host.
find_package(PkgConfig REQUIRED)
set(FFMPEG_FOUND TRUE)
set(FFMPEG_INCLUDE_DIRS "")
set(FFMPEG_LIBRARIES "")
foreach(library libavformat libavcodec libswscale libavutil)
  pkg_check_modules(FFMPEG_${library} QUIET ${library})
  if(NOT FFMPEG_${library}_FOUND)
    set(FFMPEG_FOUND FALSE)
  endif()
endforeach()
if(FFMPEG_FOUND)
  # One static link line, in pkg-config's order: the libraries, then what
  # they need of Windows (bcrypt, zlib, ...).
  pkg_check_modules(FFMPEG_ALL QUIET libavformat libavcodec libswscale libavutil)
  set(FFMPEG_INCLUDE_DIRS ${FFMPEG_ALL_INCLUDE_DIRS})
  set(FFMPEG_LIBRARIES ${FFMPEG_ALL_STATIC_LDFLAGS})
endif()
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(FFMPEG REQUIRED_VARS FFMPEG_FOUND)
