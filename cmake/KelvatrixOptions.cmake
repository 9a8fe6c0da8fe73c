# Warnings and sanitizers shared by every target of the project.
set(KELVATRIX_SANITIZE "" CACHE STRING
    "Sanitizer build: empty, 'address' (ASan+UBSan), 'thread', or 'fuzzer' (libFuzzer with ASan+UBSan; clang)")

add_library(kelvatrix_options INTERFACE)
if(MSVC)
  target_compile_options(kelvatrix_options INTERFACE /W4)
else()
  target_compile_options(kelvatrix_options INTERFACE -Wall -Wextra -Wpedantic)
endif()

if(KELVATRIX_SANITIZE STREQUAL "address")
  target_compile_options(kelvatrix_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                     -fno-sanitize-recover=undefined)
  target_link_options(kelvatrix_options INTERFACE -fsanitize=address,undefined)
elseif(KELVATRIX_SANITIZE STREQUAL "thread")
  target_compile_options(kelvatrix_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(kelvatrix_options INTERFACE -fsanitize=thread)
elseif(KELVATRIX_SANITIZE STREQUAL "fuzzer")
  # The libraries get libFuzzer's coverage; the harnesses in fuzz/ link its driver.
  target_compile_options(kelvatrix_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                                                     -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(kelvatrix_options INTERFACE -fsanitize=address,undefined)
elseif(NOT KELVATRIX_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KELVATRIX_SANITIZE must be empty, 'address', 'thread' or 'fuzzer'")
endif()
