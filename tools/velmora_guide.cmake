# velmora-guide: headless guiding with the client's settings (a Raspberry Pi at the
# telescope). Included from tools/CMakeLists.txt.
add_executable(velmora-guide ${CMAKE_CURRENT_LIST_DIR}/velmora_guide_main.cpp)
target_link_libraries(velmora-guide PRIVATE velmora_client_guiding)
