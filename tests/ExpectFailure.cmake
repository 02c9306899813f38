# Runs a scenario that must fail and checks that the failure says what its first line expects.
file(STRINGS "${SCENARIO}" first LIMIT_COUNT 1)
string(REGEX REPLACE "^# expect: " "" expected "${first}")
execute_process(COMMAND "${FXSIM}" --plugin "${PLUGIN}" --quiet "${SCENARIO}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(rc EQUAL 0)
  message(FATAL_ERROR "the scenario passed, but it should fail with: ${expected}")
endif()
string(FIND "${err}" "${expected}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "expected: ${expected}\ngot (exit ${rc}):\n${err}")
endif()
