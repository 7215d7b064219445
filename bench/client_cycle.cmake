# The client's share of the exposure cycle, against the real server in simulator mode.
target_link_libraries(velmora-bench PRIVATE velmora_client_program velmora_client_guiding)
target_compile_definitions(velmora-bench PRIVATE VELMORA_SERVER_PATH="$<TARGET_FILE:VelmoraServer>")
add_dependencies(velmora-bench VelmoraServer)
