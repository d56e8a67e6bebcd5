# Local status log: line and header formats, file writer and the memo (core, no Qt).
target_sources(zcore PRIVATE ${CMAKE_CURRENT_LIST_DIR}/status_log.cpp ${CMAKE_CURRENT_LIST_DIR}/status_log_file.cpp)
