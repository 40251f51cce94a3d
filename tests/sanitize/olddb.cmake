# The reader of version 1.3 databases built a second time with AddressSanitizer and UBSan and fed
# a seeded run of damaged copies of the sample file. libmdb itself is the system's, not rebuilt.
add_executable(olddb_mutation
  ${PROJECT_SOURCE_DIR}/src/config/OldDatabase.cpp
  ${PROJECT_SOURCE_DIR}/tests/sanitize/olddb_mutation.cpp)
target_include_directories(olddb_mutation PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(olddb_mutation PRIVATE PkgConfig::MDB)
target_compile_options(olddb_mutation PRIVATE
  -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
target_link_options(olddb_mutation PRIVATE -fsanitize=address,undefined)
add_test(NAME olddb_mutation
  COMMAND olddb_mutation ${PROJECT_SOURCE_DIR}/tests/fixtures/v13/ejemplo.mdb 300)
set_tests_properties(olddb_mutation PROPERTIES TIMEOUT 300
  ENVIRONMENT "ASAN_OPTIONS=max_allocation_size_mb=256:allocator_may_return_null=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
