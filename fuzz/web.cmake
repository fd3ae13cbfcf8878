# Fuzz targets of the browser host: the request router (without sockets) and the configuration.
zentrik_fuzz_target(web_router
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/web_router_fuzz.cpp
                    DEPS zentrik_web)
zentrik_fuzz_target(config
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/config_fuzz.cpp
                    DEPS zentrik_config)
