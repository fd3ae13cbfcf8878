# Fuzz targets of the platform core: text-to-number conversions.
zentrik_fuzz_target(platform_number_text
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/platform_number_text.cpp
                    DEPS zentrik_platform)
