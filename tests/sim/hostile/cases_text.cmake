# Texts that must never be interpreted, and numbers that are not numbers.
set(text_scenarios ${CABKIT_HOSTILE_DIR}/scenarios)

# Every numeric option refuses what is not a plain decimal number in range.
foreach(bad nan inf -inf 1e400 0x10 5abc)
  cabkit_hostile_case(call_timeout_${bad} EXIT 2 MESSAGE "--call-timeout: must be a number from 0.1 to 3600, not '${bad}'"
                      LIMIT 5 ARGS run ${text_scenarios}/short.toml --call-timeout ${bad})
endforeach()
cabkit_hostile_case(jobs_nan EXIT 2 MESSAGE "--jobs: must be a whole number from 1 to 64, not 'nan'" LIMIT 5
                    ARGS check ${text_scenarios}/short.toml -j nan)
cabkit_hostile_case(step_fraction EXIT 2 MESSAGE "--step: must be a whole number from 1 to 60000, not '1.5'" LIMIT 5
                    ARGS check ${text_scenarios}/short.toml --step 1.5)
