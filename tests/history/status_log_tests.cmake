zephyra_test(status_log_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/status_log_test.cpp)
