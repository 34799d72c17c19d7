# The connection step, the runner and the catalogue; console and speech are doubles.
set(SEAM_MODULES
  ${CMAKE_SOURCE_DIR}/app/connect.cpp
  ${CMAKE_SOURCE_DIR}/app/netshtext.cpp
  ${CMAKE_SOURCE_DIR}/app/pipe.cpp
  ${CMAKE_SOURCE_DIR}/app/messages.cpp
  ${CMAKE_SOURCE_DIR}/platform/paths.cpp
  ${CMAKE_SOURCE_DIR}/platform/clock.cpp
  ${CMAKE_SOURCE_DIR}/platform/latin1.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/testenv.cpp)
