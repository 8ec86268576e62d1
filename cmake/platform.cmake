# The platform layer's sources for one platform (posix or windows): a file
# per concern that differs, and what the platforms share. Every build of it
# includes this file.
set(CHARPLAY_PLATFORM_DIR ${CMAKE_CURRENT_LIST_DIR}/../src/platform)

function(charplay_platform_sources out platform)
  set(sources "")
  foreach(concern console display environment last_words stop)
    list(APPEND sources ${CHARPLAY_PLATFORM_DIR}/${concern}_${platform}.cpp)
  endforeach()
  list(APPEND sources ${CHARPLAY_PLATFORM_DIR}/last_words.cpp ${CHARPLAY_PLATFORM_DIR}/stop.cpp)
  set(${out} ${sources} PARENT_SCOPE)
endfunction()
