# Real sources: decoding and scaling video files of several sizes to 320 x 240 frames, and the
# control script and bitmap reader on typical inputs.
zentrik_bench(sources_decode_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/sources_decode_bench.cpp
              DEPS zentrik_sources)
zentrik_bench(sources_parse_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/sources_parse_bench.cpp
              DEPS zentrik_script zentrik_bmpread)
