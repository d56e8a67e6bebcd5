# History download and collector, record decoders with the event tables, workbook writer and export.
target_sources(zcore PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/event_tables.cpp
    ${CMAKE_CURRENT_LIST_DIR}/history_record.cpp
    ${CMAKE_CURRENT_LIST_DIR}/history_controller.cpp
    ${CMAKE_CURRENT_LIST_DIR}/workbook_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/history_export.cpp)

# libgsf writes the OLE2 container of the .xls workbook.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GSF REQUIRED IMPORTED_TARGET libgsf-1)
# Only its headers at build time: the writer loads the library at the first save.
target_include_directories(zcore PRIVATE ${GSF_INCLUDE_DIRS})
target_link_libraries(zcore PUBLIC ${CMAKE_DL_LIBS})
