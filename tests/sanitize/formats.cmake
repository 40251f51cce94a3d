# The print-format stream readers (Windows formats, ticket formats, formats of version 1.3) built a
# second time with AddressSanitizer and UBSan and fed a seeded run of mutated streams. Only the
# byte-reading files go in: no database, no Qt.
set(FORMATS_MUTATION_SOURCES
  ${PROJECT_SOURCE_DIR}/src/printing/Archive.cpp
  ${PROJECT_SOURCE_DIR}/src/printing/ByteArrayFile.cpp
  ${PROJECT_SOURCE_DIR}/src/printing/FormatData.cpp
  ${PROJECT_SOURCE_DIR}/src/printing/LogFont.cpp
  ${PROJECT_SOURCE_DIR}/src/printing/OldFormat.cpp
  ${PROJECT_SOURCE_DIR}/src/printing/RenglonField.cpp
  ${PROJECT_SOURCE_DIR}/src/printing/RenglonFormato.cpp
  ${PROJECT_SOURCE_DIR}/src/printing/RenglonTicket.cpp
  ${PROJECT_SOURCE_DIR}/src/printing/TicketFormat.cpp
  ${PROJECT_SOURCE_DIR}/src/printing/WindowsFormat.cpp
  ${PROJECT_SOURCE_DIR}/src/printing/Windows1252.cpp
  ${PROJECT_SOURCE_DIR}/src/db/SpanishText.cpp
  ${PROJECT_SOURCE_DIR}/src/db/Utf8.cpp
  ${PROJECT_SOURCE_DIR}/tests/sanitize/formats_mutation.cpp)
add_executable(formats_mutation ${FORMATS_MUTATION_SOURCES})
target_include_directories(formats_mutation PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_compile_options(formats_mutation PRIVATE
  -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
target_link_options(formats_mutation PRIVATE -fsanitize=address,undefined)
add_test(NAME formats_mutation COMMAND formats_mutation)
# An allocation above 64 MB is a failure: no stream of a few kilobytes may ask for one.
set_tests_properties(formats_mutation PROPERTIES TIMEOUT 120
  ENVIRONMENT "ASAN_OPTIONS=max_allocation_size_mb=64:allocator_may_return_null=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
