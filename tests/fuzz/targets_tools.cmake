# Fuzz targets of the programs for the people who use the recordings: the
# frame data reader, and the repair's reading of a cut-off recording.
kivren_add_fuzz(NAME framedata_reader_fuzz
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/framedata_reader_fuzz.cpp
    LIBS kivren_framedata_tool)
kivren_add_fuzz(NAME mov_frame_scanner_fuzz
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/mov_frame_scanner_fuzz.cpp
    LIBS kivren_repair_tool)
