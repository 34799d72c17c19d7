# The menu alone: console, keys and speech are recording doubles.
set(SEAM_MODULES ${CMAKE_SOURCE_DIR}/console/menu.cpp)
