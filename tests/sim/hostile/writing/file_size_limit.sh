# A trace beyond the file-size limit: a named error, not a process ended by
# SIGXFSZ, and no cut-off trace under its name. The limit (8 MiB in 512-byte
# blocks) lets the plug-ins be copied; the trace at a 1 ms step is 40 MB.
simhost=$1 scenarios=$4
ulimit -f 16384
"$simhost" run "$scenarios/demo.toml" --step 1 --trace trace.csv >/dev/null
code=$?
[ ! -e trace.csv ] || { echo "a cut-off trace stands"; exit 99; }
exit $code
