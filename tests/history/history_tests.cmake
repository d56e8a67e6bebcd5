# Record decoders, the download with fakes, and the workbook read back by python3-xlrd.
find_package(nlohmann_json 3 REQUIRED)
zephyra_test(history_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/history_record_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/history_controller_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/history_export_test.cpp
    LIBS nlohmann_json::nlohmann_json)
target_compile_definitions(history_tests PRIVATE ZEPHYRA_XLS_READER="${CMAKE_CURRENT_LIST_DIR}/read_xls.py")
