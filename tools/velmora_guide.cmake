# velmora-guide: headless guiding with the client's settings (a Raspberry Pi at the
# telescope). Included from tools/CMakeLists.txt.
add_executable(velmora-guide ${CMAKE_CURRENT_LIST_DIR}/velmora_guide_main.cpp)
target_link_libraries(velmora-guide PRIVATE velmora_client_guiding velmora_client_remote)

# End to end against the real server; not in the sanitizer build, whose slower
# frames would change what is measured rather than find memory faults.
if(NOT VELMORA_SANITIZE AND TARGET VelmoraServer)
    velmora_test(velmora_guide_e2e_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/velmora_guide_e2e_test.cpp
        TIMEOUT 240)
    target_compile_definitions(velmora_guide_e2e_test PRIVATE
        VELMORA_SERVER_PATH="$<TARGET_FILE:VelmoraServer>"
        VELMORA_GUIDE_PATH="$<TARGET_FILE:velmora-guide>")
    add_dependencies(velmora_guide_e2e_test VelmoraServer velmora-guide)
endif()

# The guiding server end to end: an imaging program's session against --serve.
if(NOT VELMORA_SANITIZE AND TARGET VelmoraServer)
    velmora_test(velmora_guide_serve_e2e_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/velmora_guide_serve_e2e_test.cpp
        LIBS velmora_client_remote_testing
        TIMEOUT 400)
    target_compile_definitions(velmora_guide_serve_e2e_test PRIVATE
        VELMORA_SERVER_PATH="$<TARGET_FILE:VelmoraServer>"
        VELMORA_GUIDE_PATH="$<TARGET_FILE:velmora-guide>")
    add_dependencies(velmora_guide_serve_e2e_test VelmoraServer velmora-guide)
endif()

# velmora-guide bound to the INDI simulators under a real indiserver.
if(NOT VELMORA_SANITIZE)
    velmora_test(velmora_guide_indi_e2e_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/velmora_guide_indi_e2e_test.cpp
        LIBS velmora_client_devices_indi_testing velmora_client_shell
        TIMEOUT 400)
    target_compile_definitions(velmora_guide_indi_e2e_test PRIVATE VELMORA_GUIDE_PATH="$<TARGET_FILE:velmora-guide>")
    add_dependencies(velmora_guide_indi_e2e_test velmora-guide)
endif()
