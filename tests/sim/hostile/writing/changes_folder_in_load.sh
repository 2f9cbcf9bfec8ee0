# A plug-in that changes the working folder in Load: the relative chart and
# trace paths still mean the folder simhost was started in.
simhost=$1 plugins=$2 cases=$3
"$simhost" run "$cases/one_second.toml" --plugins "$plugins/chdir_in_load" --plot chart.svg --trace trace.csv \
    >/dev/null
code=$?
[ -s chart.svg ] && [ -s trace.csv ] || { echo "the outputs are not where they were asked for"; exit 99; }
exit $code
