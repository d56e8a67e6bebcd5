# The Log page on the real console (offscreen).
if(ZEPHYRA_GUI)
    zephyra_test(status_log_gui_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/status_log_gui_test.cpp GUI)
endif()
