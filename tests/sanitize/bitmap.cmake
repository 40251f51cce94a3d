# The picture readers (BMP, JPEG, GIF, PNG) built a second time with AddressSanitizer and UBSan, fed a
# seeded series of damaged pictures. Any sanitizer report aborts the run and fails the test.
add_executable(sanitize_bitmap
  ${PROJECT_SOURCE_DIR}/tests/sanitize/bitmap_mutation.cpp
  ${PROJECT_SOURCE_DIR}/src/toolkit/BmpReader.cpp
  ${PROJECT_SOURCE_DIR}/src/toolkit/JpegReader.cpp
  ${PROJECT_SOURCE_DIR}/src/toolkit/GifReader.cpp
  ${PROJECT_SOURCE_DIR}/src/toolkit/PngReader.cpp)
target_include_directories(sanitize_bitmap PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(sanitize_bitmap PRIVATE JPEG::JPEG GIF::GIF PNG::PNG)
target_compile_options(sanitize_bitmap PRIVATE
  -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_link_options(sanitize_bitmap PRIVATE -fsanitize=address,undefined)
add_test(NAME sanitize_bitmap COMMAND sanitize_bitmap)
set_tests_properties(sanitize_bitmap PROPERTIES
  TIMEOUT 300
  ENVIRONMENT "QUINTALEVA_TEST_TMP=${CMAKE_CURRENT_BINARY_DIR}/tmp;ASAN_OPTIONS=abort_on_error=1:detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
