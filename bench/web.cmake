# The browser host: cost per frame with 0, 1 and 10 viewers; 64 cameras with a viewer each.
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
zentrik_bench(web_serve_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/web_serve_bench.cpp
              DEPS zentrik_web PkgConfig::HTTPLIB)
