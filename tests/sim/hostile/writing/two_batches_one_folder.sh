# Two batches into one --trace-dir: the second is refused while the first runs.
simhost=$1 plugins=$2 cases=$3
"$simhost" check "$cases/one_second.toml" --plugins "$plugins/loop_in_elapse" --call-timeout 3 \
    --trace-dir traces >/dev/null &
sleep 0.5
"$simhost" check "$cases/one_second.toml" --trace-dir traces
code=$?
wait $!
[ $? -eq 1 ] || { echo "the first batch did not end with its plug-in's fault"; exit 99; }
exit $code
