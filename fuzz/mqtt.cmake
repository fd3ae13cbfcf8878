# Fuzz targets of the MQTT side: broker URLs, zone names and hold lists as users type them.
zentrik_fuzz_target(mqtt_text
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/mqtt_text_fuzz.cpp
                    DEPS zentrik_mqtt zentrik_events)

# Commands from the broker: a topic line, then the payload.
zentrik_fuzz_target(mqtt_command
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/mqtt_command_fuzz.cpp
                    DEPS zentrik_mqtt)
