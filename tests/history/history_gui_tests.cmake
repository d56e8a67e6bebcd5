# The history windows and the initialise dialog, driven on the offscreen platform without a device.
zephyra_test(test_history_windows SOURCES ${CMAKE_CURRENT_LIST_DIR}/history_gui_test.cpp GUI)
