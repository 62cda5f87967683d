# Compiles SOURCE with -DCASE_<CASE>. EXPECT=pass: it must compile. Otherwise it must fail, with
# EXPECT (a word such as "private") in the compiler's complaint.
execute_process(
  COMMAND ${COMPILER} -std=c++17 -fsyntax-only -I${INCLUDE} -DCASE_${CASE} ${SOURCE}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(EXPECT STREQUAL "pass")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "case ${CASE} should compile:\n${output}")
  endif()
elseif(result EQUAL 0)
  message(FATAL_ERROR "case ${CASE} compiled but should not")
elseif(NOT output MATCHES "${EXPECT}")
  message(FATAL_ERROR "case ${CASE} failed, but not for being ${EXPECT}:\n${output}")
else()
  message(STATUS "case ${CASE} refused as ${EXPECT}")
endif()
