# Copies the example to SCRATCH, a folder of this build's own, runs the tool
# there with fixed answers (labels from 100, strings from 50) and prints the
# rewritten listing.
file(REMOVE_RECURSE "${SCRATCH}")
file(COPY "${EXAMPLE}/" DESTINATION "${SCRATCH}")
file(WRITE "${SCRATCH}/answers.txt" "100\n50\n")
message("Running tarvello in ${SCRATCH} with the answers 100 and 50:")
execute_process(
  COMMAND "${TOOL}"
  WORKING_DIRECTORY "${SCRATCH}"
  INPUT_FILE "${SCRATCH}/answers.txt"
  RESULT_VARIABLE status
)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tarvello exited with status ${status}")
endif()
file(READ "${SCRATCH}/ai.obj" before)
file(READ "${SCRATCH}/ai_fixed.obj" after)
string(REPLACE "\r" "" before "${before}")
string(REPLACE "\r" "" after "${after}")
message("\n--- ai.obj ---\n${before}--- ai_fixed.obj ---\n${after}")
