# Cross-building for 64-bit ARM Linux with Debian's aarch64-linux-gnu
# compilers, against the arm64 libraries of Debian's multiarch (found under
# /usr/lib/aarch64-linux-gnu, and by aarch64-linux-gnu-pkg-config).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "")
# OpenCV leaves pkg-config out of a cross build unless told, lest it find
# the build machine's libraries; this one knows only arm64's.
set(OPENCV_ENABLE_PKG_CONFIG ON CACHE BOOL "")
# Carotene, OpenCV's ARM HAL, lives in 3rdparty/, which Debian's source
# leaves out, as its own arm64 build does.
set(WITH_CAROTENE OFF CACHE BOOL "")
