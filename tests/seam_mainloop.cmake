# The program's own start-up, catalogue and settings; the rest are doubles.
set(SEAM_MODULES
  ${CMAKE_SOURCE_DIR}/app/zelnar.cpp
  ${CMAKE_SOURCE_DIR}/app/messages.cpp
  ${CMAKE_SOURCE_DIR}/app/settings.cpp
  ${CMAKE_SOURCE_DIR}/platform/paths.cpp
  ${CMAKE_SOURCE_DIR}/platform/profile.cpp
  ${CMAKE_SOURCE_DIR}/platform/latin1.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/testenv.cpp)
