# Capture: virtual-camera frame generation and delivery through ezVidCap.
zentrik_bench(capture_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture/virtual_camera_bench.cpp
              DEPS zentrik_capture)
