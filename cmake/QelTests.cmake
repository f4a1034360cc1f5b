# qel_add_test(NAME [QT] SOURCES... LIBS ...): one GoogleTest executable per
# area, its cases registered with CTest and run headless. QT tests get the test
# main with the program's application object; the others GoogleTest's own.
function(qel_add_test name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_QT)
    target_link_libraries(${name} PRIVATE ${T_LIBS} qel_test_support)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;WINEDEBUG=-all"
               TIMEOUT 120)
endfunction()
