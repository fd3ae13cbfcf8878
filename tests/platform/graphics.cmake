# Tests of the graphics half of the platform layer.
zentrik_test(platform_graphics_test
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/graphics_nearest_colour_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/graphics_blit_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/graphics_objects_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/graphics_clipboard_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/graphics_picture_test.cpp
             DEPS zentrik_platform)
