# The capture's writers against one plain write of the same frame.
target_link_libraries(velmora-bench PRIVATE velmora_client_capture)
# The one run past 4 GiB (scripts/avi-past-4gib), not a benchmark.
add_executable(velmora-avi-large-run ${CMAKE_CURRENT_SOURCE_DIR}/avi_large_run.cpp)
target_include_directories(velmora-avi-large-run PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(velmora-avi-large-run PRIVATE velmora_client_capture)
