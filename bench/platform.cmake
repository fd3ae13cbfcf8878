# Benchmarks of the platform layer's graphics: blits, nearest-colour mapping, the frame path.
zentrik_bench(platform_blit_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/platform_blit_bench.cpp
              DEPS zentrik_platform)
# The standard colour tables come from the graphics tests' support header.
target_include_directories(platform_blit_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
