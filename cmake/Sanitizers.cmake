# Native sanitizer builds, applied to every target including GoogleTest.
if(KX4XX_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(KX4XX_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -Wno-tsan)  # asio uses atomic_thread_fence
    add_link_options(-fsanitize=thread)
elseif(NOT KX4XX_SANITIZE STREQUAL "")
    message(FATAL_ERROR "KX4XX_SANITIZE must be empty, 'address' or 'thread'")
endif()
