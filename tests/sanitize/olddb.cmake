# The reader of version 1.3 databases, its answer's decoder and the parent's side of the reader
# process built a second time with AddressSanitizer and UBSan, fed a seeded run of damaged copies of
# the sample file, each read in a child process under the time limit. libmdb itself is the system's.
add_executable(olddb_mutation
  ${PROJECT_SOURCE_DIR}/src/config/OldDatabase.cpp
  ${PROJECT_SOURCE_DIR}/src/config/OldDatabaseWire.cpp
  ${PROJECT_SOURCE_DIR}/src/config/OldDatabaseProcess.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/InstallLayout.cpp
  ${PROJECT_SOURCE_DIR}/tests/sanitize/olddb_mutation.cpp)
target_include_directories(olddb_mutation PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(olddb_mutation PRIVATE PkgConfig::MDB)
target_compile_options(olddb_mutation PRIVATE
  -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
target_link_options(olddb_mutation PRIVATE -fsanitize=address,undefined)
add_test(NAME olddb_mutation
  COMMAND olddb_mutation ${PROJECT_SOURCE_DIR}/tests/fixtures/v13/ejemplo.mdb 700)
set_tests_properties(olddb_mutation PROPERTIES TIMEOUT 300
  ENVIRONMENT "ASAN_OPTIONS=max_allocation_size_mb=256:allocator_may_return_null=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
