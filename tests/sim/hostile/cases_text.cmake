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

# Names, stations and chart paths reach gnuplot as data: no command runs (it
# would leave a file in the temporary folder), the charts are drawn.
cabkit_hostile_case(commands_in_names_plot EXIT 0 MESSAGE "end after"
                    ARGS run ${text_scenarios}/commands_in_names.toml --plot @WORK@/c.svg --plot-time @WORK@/t.png)
cabkit_hostile_case(commands_in_chart_path EXIT 0 MESSAGE "end after"
                    ARGS run ${text_scenarios}/commands_in_names.toml --plot "@WORK@/c`cd $TMPDIR && touch by-path`.svg")
# The terminal gets a name's bidirectional controls and separators escaped.
cabkit_hostile_case(bidi_in_name EXIT 0 MESSAGE "(a\\u202eb\\u2028c)"
                    ARGS check ${text_scenarios}/bidi_in_name.toml)
