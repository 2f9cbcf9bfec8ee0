# Scenario files and options that are not what simhost expects.
cabkit_hostile_case(missing_scenario EXIT 2 MESSAGE "no-such-file.toml"
                    ARGS check @CASES@/no-such-file.toml)
