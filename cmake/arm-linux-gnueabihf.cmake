# Cross-building for 32-bit ARM Linux (ARMv7, hard float, NEON) with
# Debian's arm-linux-gnueabihf compilers, against the armhf libraries of
# Debian's multiarch (found under /usr/lib/arm-linux-gnueabihf, and by
# arm-linux-gnueabihf-pkg-config).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
# Debian's armhf baseline has no NEON; every ARMv7 board worth playing video
# on has it.
set(CMAKE_C_FLAGS_INIT "-march=armv7-a -mfpu=neon -mfloat-abi=hard")
set(CMAKE_CXX_FLAGS_INIT "-march=armv7-a -mfpu=neon -mfloat-abi=hard")
set(PKG_CONFIG_EXECUTABLE arm-linux-gnueabihf-pkg-config CACHE FILEPATH "")
# OpenCV leaves pkg-config out of a cross build unless told, lest it find
# the build machine's libraries; this one knows only armhf's.
set(OPENCV_ENABLE_PKG_CONFIG ON CACHE BOOL "")
# Carotene, OpenCV's ARM HAL, lives in 3rdparty/, which Debian's source
# leaves out.
set(WITH_CAROTENE OFF CACHE BOOL "")
