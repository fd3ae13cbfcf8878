# Fuzz targets of the colour subsystem: the raw palette block reader and the JASC text reader.
zentrik_fuzz_target(colour_palette_block
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/colour_palette_block.cpp
                    DEPS zentrik_colour)
zentrik_fuzz_target(colour_jasc_palette
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/colour_jasc_palette.cpp
                    DEPS zentrik_colour)
