# The PAC clients' answer parsers fed a seeded run of damaged answers through the whole path: a
# server on 127.0.0.1 serves each answer to the real Finkok and SW clients. In the sanitizer build
# the core is already built with AddressSanitizer and UBSan, so the run links it as it is; the
# normal build runs a short one too (tests/CMakeLists.txt), so a failure shows before the long one.
if(QUINTALEVA_SANITIZE)
  set(PAC_ANSWERS_INPUTS 3000)
else()
  set(PAC_ANSWERS_INPUTS 250)
endif()
add_executable(pac_answers_mutation
  ${PROJECT_SOURCE_DIR}/tests/sanitize/pac_answers_mutation.cpp
  ${PROJECT_SOURCE_DIR}/tests/cfdi/StandInPac.cpp
  ${PROJECT_SOURCE_DIR}/tests/cfdi/PaymentChecks.cpp
  ${PROJECT_SOURCE_DIR}/tests/cfdi/CfdiKit.cpp
  ${PROJECT_SOURCE_DIR}/tests/cfdi/CfdiFixture.cpp)
target_include_directories(pac_answers_mutation PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(pac_answers_mutation PRIVATE quintaleva_core)
target_compile_definitions(pac_answers_mutation PRIVATE
  QUINTALEVA_CFDI_KIT="${PROJECT_SOURCE_DIR}/../shared/fixtures/cfdi")
add_test(NAME pac_answers_mutation COMMAND pac_answers_mutation --seed 20261208 --inputs ${PAC_ANSWERS_INPUTS})
# No answer of a few hundred kilobytes may make anyone ask for 256 MB.
set_tests_properties(pac_answers_mutation PROPERTIES TIMEOUT 300
  ENVIRONMENT "QUINTALEVA_TEST_TMP=${CMAKE_CURRENT_BINARY_DIR}/tmp;ASAN_OPTIONS=max_allocation_size_mb=256:allocator_may_return_null=0:detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
