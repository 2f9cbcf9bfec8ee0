# Scenario files and options that are not what simhost expects.
set(scenarios ${CABKIT_HOSTILE_DIR}/scenarios)
set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated)

cabkit_hostile_case(missing_scenario EXIT 2 MESSAGE "no-such-file.toml"
                    ARGS check @CASES@/no-such-file.toml)

# What is not a scenario file at all.
cabkit_hostile_case(scenario_is_a_folder EXIT 2 MESSAGE "scenarios: is a folder"
                    ARGS check ${scenarios})
cabkit_hostile_case(empty_scenario EXIT 2 MESSAGE "empty.toml: sets nothing"
                    ARGS check ${scenarios}/empty.toml)
cabkit_hostile_case(device_as_scenario EXIT 2 MESSAGE "/dev/zero: is not a regular file" LIMIT 5
                    ARGS check /dev/zero)
# A sparse file just over the limit: refused before a byte is read.
add_test(NAME hostile.setup.oversized_scenario COMMAND truncate -s 65M ${generated}/oversized.toml)
add_test(NAME hostile.cleanup.oversized_scenario COMMAND ${CMAKE_COMMAND} -E rm -f ${generated}/oversized.toml)
set_tests_properties(hostile.setup.oversized_scenario PROPERTIES FIXTURES_SETUP hostile_oversized)
set_tests_properties(hostile.cleanup.oversized_scenario PROPERTIES FIXTURES_CLEANUP hostile_oversized)
cabkit_hostile_case(oversized_scenario EXIT 2 MESSAGE "more than the 64 MiB a scenario file may hold" LIMIT 5
                    ARGS check ${generated}/oversized.toml)
set_tests_properties(hostile.oversized_scenario PROPERTIES FIXTURES_REQUIRED hostile_oversized)

# Nesting the TOML reader would follow until the stack runs out; the batch
# goes on after such a file.
string(REPEAT "a." 50000 parts)
file(WRITE ${generated}/dotted_key.toml "${parts}a = 1\n")
file(WRITE ${generated}/table_header.toml "[${parts}a]\n")
string(REPEAT "{ a = " 20000 opening)
string(REPEAT "}" 20000 closing)
file(WRITE ${generated}/inline_tables.toml "x = ${opening}1${closing}\n")
cabkit_hostile_case(dotted_key_50000_parts EXIT 2 MESSAGE "dotted_key.toml:1: nested more than 32 levels"
                    ARGS check ${generated}/dotted_key.toml)
cabkit_hostile_case(inline_tables_20000_deep EXIT 2 MESSAGE "inline_tables.toml:1: nested more than 32 levels"
                    ARGS check ${generated}/inline_tables.toml)
cabkit_hostile_case(deep_header_in_a_batch EXIT 2 MESSAGE "2 scenarios: 1 passed, 0 failed, 1 with bad input"
                    ARGS check ${generated}/table_header.toml ${scenarios}/short.toml)

# Times of day over midnight: each the first such moment at or after the
# start, shown as the next day's clock.
cabkit_hostile_case(midnight_expectation EXIT 1 MESSAGE "at 00:00:05.008 (+15.008 s"
                    ARGS check ${scenarios}/midnight.toml)
cabkit_hostile_case(midnight_driver_action EXIT 0 MESSAGE "00:00:10.000 +   20.000 s"
                    ARGS run ${scenarios}/midnight.toml)
cabkit_hostile_case(time_before_start EXIT 2
                    MESSAGE "time_before_start.toml:6: 'time' in [[driver]] (07:59:00.000) first comes 86340 s"
                    ARGS check ${scenarios}/time_before_start.toml)

# Judging: a span without a frame, and numbers that differ past six digits.
cabkit_hostile_case(span_without_frame EXIT 0 MESSAGE "the frame nearest to the span"
                    ARGS check ${scenarios}/span_without_frame.toml)
cabkit_hostile_case(number_in_full EXIT 1 MESSAGE "panel 231 was 1234567 at"
                    ARGS check ${scenarios}/number_in_full.toml)

# Values each fine alone that contradict the train or each other, reported
# at their own line.
cabkit_hostile_case(b67_above_emergency EXIT 2 MESSAGE "b67_above_emergency.toml:3: 'b67_notch'"
                    ARGS check ${scenarios}/b67_above_emergency.toml)
cabkit_hostile_case(check_notch_above_emergency EXIT 2 MESSAGE "check_notch_above_emergency.toml:5: 'check_notch'"
                    ARGS check ${scenarios}/check_notch_above_emergency.toml)
cabkit_hostile_case(driver_power_above_notches EXIT 2 MESSAGE "driver_power_above_notches.toml:5: 'power'"
                    ARGS check ${scenarios}/driver_power_above_notches.toml)
cabkit_hostile_case(station_named_twice EXIT 2 MESSAGE "station_named_twice.toml:5: two [[route.station]]"
                    ARGS check ${scenarios}/station_named_twice.toml)
cabkit_hostile_case(sections_at_one_start EXIT 2 MESSAGE "sections_at_one_start.toml:5: two [[route.section]]"
                    ARGS check ${scenarios}/sections_at_one_start.toml)
cabkit_hostile_case(end_location_behind_start EXIT 2 MESSAGE "end_location_behind_start.toml:4: 'end_location'"
                    ARGS check ${scenarios}/end_location_behind_start.toml)
cabkit_hostile_case(acceleration_out_of_bounds EXIT 2
                    MESSAGE "acceleration_out_of_bounds.toml:2: 'power_acceleration' in [train] must be"
                    ARGS check ${scenarios}/acceleration_out_of_bounds.toml)

# Outputs: checked before a week-long run would start, and never onto an
# input. The scenario written over is a copy, in case the check fails.
configure_file(${scenarios}/short.toml ${generated}/short_copy.toml COPYONLY)
cabkit_hostile_case(trace_and_summary_one_file EXIT 2 MESSAGE "--trace and --summary name the same file" LIMIT 10
                    ARGS run ${scenarios}/week.toml --trace @WORK@/out --summary @WORK@/out)
cabkit_hostile_case(trace_onto_the_scenario EXIT 2 MESSAGE "is the scenario" LIMIT 10
                    ARGS run ${generated}/short_copy.toml --trace ${generated}/short_copy.toml)
cabkit_hostile_case(plot_unwritable EXIT 2 MESSAGE "--plot /nonexistent-folder/chart.svg: cannot write there" LIMIT 10
                    ARGS run ${scenarios}/week.toml --plot /nonexistent-folder/chart.svg)
cabkit_hostile_case(plot_extension EXIT 2 MESSAGE "must end in .svg or .png" LIMIT 10
                    ARGS run ${scenarios}/week.toml --plot @WORK@/chart.pdf)

# Text from the file reaches the terminal with its control characters escaped.
cabkit_hostile_case(control_characters_in_name EXIT 0 MESSAGE "(a\\x1bcred\\nFAIL)"
                    ARGS check ${scenarios}/control_characters_in_name.toml)
