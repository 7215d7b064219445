# The capture's writers against one plain write of the same frame.
target_link_libraries(velmora-bench PRIVATE velmora_client_capture)
