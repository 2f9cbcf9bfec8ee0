# The summary's link is pointed elsewhere by a plug-in during the run: the
# summary goes where the link led when simhost started, the new target stays.
simhost=$1 plugins=$2 cases=$3
echo before > target.json
echo victim > victim.json
ln -s target.json out.json
"$simhost" run "$cases/one_second.toml" --plugins "$plugins/swap_link_in_load" --summary out.json >/dev/null
code=$?
[ "$(cat victim.json)" = victim ] || { echo "victim.json was written"; exit 99; }
grep -q '"scenario"' target.json || { echo "target.json holds no summary"; exit 99; }
exit $code
