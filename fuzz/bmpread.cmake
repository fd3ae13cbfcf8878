# Fuzz target of the bitmap reader: any bytes as a bitmap file.
zentrik_fuzz_target(bmpread
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/bmpread_fuzz.cpp
                    DEPS zentrik_bmpread)
