# The rooms of the core as libraries (the table is cmake/floors.txt).
# waybill_add_room(NAME FOLDER [PUBLIC libs...] [PRIVATE libs...]) makes the
# static library waybill_NAME; its folder's CMakeLists adds the sources.
# Rooms do not link each other: waybill_core links them all, and the floors
# test keeps each room's includes to the rooms below it.
set(WAYBILL_CORE_ROOMS "")
macro(waybill_add_room NAME FOLDER)
  cmake_parse_arguments(R "" "" "PUBLIC;PRIVATE" ${ARGN})
  add_library(waybill_${NAME} STATIC)
  target_include_directories(waybill_${NAME} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
  target_compile_options(waybill_${NAME} PRIVATE ${WAYBILL_WARNINGS})
  target_link_libraries(waybill_${NAME} PUBLIC ${R_PUBLIC} PRIVATE ${R_PRIVATE})
  list(APPEND WAYBILL_CORE_ROOMS waybill_${NAME})
endmacro()
