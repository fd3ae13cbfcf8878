# Benchmarks of the platform layer's graphics: blits, nearest-colour mapping, the frame path.
zentrik_bench(platform_blit_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/platform_blit_bench.cpp
              DEPS zentrik_platform)
