# The warnings charplay's own code is built with, by GCC, Clang or
# mingw-w64; every build of it includes this file.
set(CHARPLAY_WARNING_FLAGS
  -Wall -Wextra -Wpedantic -Wshadow -Wmissing-declarations -Wsign-conversion)
