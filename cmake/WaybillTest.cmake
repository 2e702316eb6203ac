# waybill_add_test(NAME name SOURCES a.cpp ... [GUI|APP] [LIBS ...] [TIMEOUT s])
# GUI links the widget layer, APP the main window on top of it.
# One Qt Test executable per unit. Every test runs headless (offscreen
# platform) in a scratch working directory of its own, since the program
# keeps its database in the working directory.
function(waybill_add_test)
  cmake_parse_arguments(T "GUI;APP" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_compile_options(${T_NAME} PRIVATE ${WAYBILL_WARNINGS})
  if(T_APP)
    target_link_libraries(${T_NAME} PRIVATE waybill_app Qt6::Test ${T_LIBS})
  elseif(T_GUI)
    target_link_libraries(${T_NAME} PRIVATE waybill_gui Qt6::Test ${T_LIBS})
  else()
    target_link_libraries(${T_NAME} PRIVATE waybill_core Qt6::Test ${T_LIBS})
  endif()
  target_compile_definitions(${T_NAME} PRIVATE
    WAYBILL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    WAYBILL_BINARY_DIR="${CMAKE_BINARY_DIR}"
    WAYBILL_SHARED_DIR="${WAYBILL_SHARED_DIR}")
  set(workdir ${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.work)
  file(MAKE_DIRECTORY ${workdir})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} WORKING_DIRECTORY ${workdir})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;HOME=${workdir}/home;XDG_CONFIG_HOME=${workdir}/home/.config;XDG_DATA_HOME=${workdir}/home/.local/share;XDG_DESKTOP_DIR=${workdir}/home/Desktop")
endfunction()

# The private PostgreSQL cluster the server runs of the data tests share:
# started before the first of them, stopped after the last.
string(MD5 WAYBILL_PG_HASH "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${WAYBILL_PG_HASH}" 0 8 WAYBILL_PG_HASH)
set(WAYBILL_PG_DIR "/tmp/waybill-pgtest-${WAYBILL_PG_HASH}")
add_test(NAME pg_cluster_start COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/pg-cluster.sh start ${WAYBILL_PG_DIR})
add_test(NAME pg_cluster_stop COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/pg-cluster.sh stop ${WAYBILL_PG_DIR})
set_tests_properties(pg_cluster_start PROPERTIES FIXTURES_SETUP pgcluster TIMEOUT 120)
set_tests_properties(pg_cluster_stop PROPERTIES FIXTURES_CLEANUP pgcluster TIMEOUT 120)

# waybill_add_store_run(name suffix fixture cluster [extra environment]):
# the test once more, in a folder of its own, against the cluster that
# fixture starts in the folder cluster.
function(waybill_add_store_run NAME SUFFIX FIXTURE CLUSTER)
  get_test_property(${NAME} ENVIRONMENT env)
  get_test_property(${NAME} TIMEOUT timeout)
  get_test_property(${NAME} WORKING_DIRECTORY workdir)
  file(MAKE_DIRECTORY ${workdir}/${SUFFIX})
  add_test(NAME ${NAME}_${SUFFIX} COMMAND ${NAME} WORKING_DIRECTORY ${workdir}/${SUFFIX})
  string(REPLACE "${workdir}/home" "${workdir}/${SUFFIX}/home" env "${env}")
  set_tests_properties(${NAME}_${SUFFIX} PROPERTIES
    TIMEOUT ${timeout}
    FIXTURES_REQUIRED ${FIXTURE}
    ENVIRONMENT "${env};WAYBILL_TEST_SERVER=${CLUSTER};${ARGN}")
endfunction()

# waybill_add_server_run(name): the test once more against the server store.
function(waybill_add_server_run NAME)
  waybill_add_store_run(${NAME} server pgcluster ${WAYBILL_PG_DIR})
endfunction()
