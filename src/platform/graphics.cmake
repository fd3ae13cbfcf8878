# Graphics half of the platform library: the object table, DCs, bitmaps, blits and their pixel
# conversion, nearest-colour maps, the clipboard, pictures and form objects.
list(APPEND PLATFORM_GRAPHICS_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/gdi_table.cpp
     ${CMAKE_CURRENT_LIST_DIR}/gdi_dc.cpp
     ${CMAKE_CURRENT_LIST_DIR}/gdi_bitmap.cpp
     ${CMAKE_CURRENT_LIST_DIR}/gdi_blit.cpp
     ${CMAKE_CURRENT_LIST_DIR}/blit.cpp
     ${CMAKE_CURRENT_LIST_DIR}/pixel_convert.cpp
     ${CMAKE_CURRENT_LIST_DIR}/colour_table.cpp
     ${CMAKE_CURRENT_LIST_DIR}/candidate_grid.cpp
     ${CMAKE_CURRENT_LIST_DIR}/nearest_colour.cpp
     ${CMAKE_CURRENT_LIST_DIR}/clipboard.cpp
     ${CMAKE_CURRENT_LIST_DIR}/picture.cpp
     ${CMAKE_CURRENT_LIST_DIR}/picture_file.cpp
     ${CMAKE_CURRENT_LIST_DIR}/forms.cpp)
