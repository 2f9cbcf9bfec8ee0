# A batch interrupted while its replay runs: neither the report nor the
# trace of an earlier run survives, and nothing cut off stands in their place.
simhost=$1 plugins=$2 cases=$3
echo '<testsuites/>' > report.xml
mkdir traces && echo old > traces/one_second.csv
"$simhost" check "$cases/one_second.toml" --plugins "$plugins/loop_in_elapse" --call-timeout 20 \
    --junit report.xml --trace-dir traces &
sleep 1
kill -INT $!
wait $!
code=$?
left=$(ls -A . traces | grep -v -e '^\.:$' -e '^traces:$' -e '^traces$' -e '^tmp$' -e '^$')
[ -z "$left" ] || { echo "left behind: $left"; exit 99; }
exit $code
