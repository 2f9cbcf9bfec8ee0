#!/usr/bin/env bash
# A slot number, key number or beacon type is written once, in the cab
# contract tables (host/cab_contract.h and each plug-in's *_contract.h);
# everything else takes it from there by name. This check fails on a bare
# number where one of them belongs: in simhost (sim/) and in the plug-ins'
# output, key and beacon code.
#
#   scripts/check-contract-literals.sh              check the tree
#   scripts/check-contract-literals.sh --self-test  check that the patterns catch what they should
set -euo pipefail
cd "$(dirname "$0")/.."

# Bare numbers in the places a slot, key or beacon type goes.
patterns=(
  # an array of the host indexed by a number: panel[72], sound_[10], panel()[201]
  '(panel|sound)[A-Za-z_]*(\(\))?[[:space:]]*\[[[:space:]]*[0-9]+[[:space:]]*\]'
  # a slot as a template argument: read<201>, write<75>, writeSound<10>
  '(read|write|writeSound)[[:space:]]*<[[:space:]]*[0-9]+[[:space:]]*>'
  # a constant named for a slot, key or beacon given a number: kPanelSignalCode = 72, kKeyCutOut{13}
  '\bk[A-Za-z0-9]*(Slot|Key|Panel|Sound|Beacon|Aspect)[A-Za-z0-9]*(\[[^]]*\])?[[:space:]]*(=[[:space:]]*)?\{*[[:space:]]*[0-9]+'
  # a slot, key, beacon type or aspect compared with a number: *slot != 201, row.type == 520
  '\b(slot|key|type|aspect)[[:space:]]*(==|!=)[[:space:]]*[0-9]+'
  # a table row led by a slot: {52, &CCabrix::activeLamp}, {0, "Sentrel", ...}
  '\{[[:space:]]*[0-9]+[[:space:]]*,[[:space:]]*(&|")'
  # a loop over a literal list of slots: for (int32_t panel : {201, 75, 72})
  ':[[:space:]]*\{[[:space:]]*[0-9]+[[:space:]]*,'
)
# In the files that dispatch keys and beacons, also a case on a number: case 520:
dispatch_pattern='case[[:space:]]+[0-9]+[[:space:]]*:'

# simhost, and the plug-in files that write slots.
files() {
  find sim -name '*.cpp' -o -name '*.h' | sort
  ls velorin/panel_slots.h velorin/panel_outputs.cpp velorin/frame_update.cpp \
     sentrel/ats_outputs.h sentrel/ats_outputs.cpp sentrel/ats_settings.h sentrel/ats_settings.cpp \
     cabrix/panel_outputs.h cabrix/panel_outputs.cpp cabrix/sound_outputs.h cabrix/sound_outputs.cpp \
     cabrix/signal_codes.h cabrix/signal_codes.cpp cabrix/permitted_speed.h cabrix/permitted_speed.cpp
  dispatch_files
}
# The plug-in files that dispatch keys and beacons.
dispatch_files() {
  ls velorin/beacon_dispatch.cpp velorin/driver_inputs.cpp sentrel/ats_beacons.h sentrel/ats_beacons.cpp \
     sentrel/sentrel_plugin.h sentrel/sentrel_plugin.cpp cabrix/mode_keys.h cabrix/mode_keys.cpp
}

# Prints the matching lines of the given files (comments aside); fails when
# there are any. The first argument is the extra pattern, or "".
scan() {
  local extra=$1
  shift
  local found=0
  local all=("${patterns[@]}")
  [[ -n $extra ]] && all+=("$extra")
  for pattern in "${all[@]}"; do
    if grep -nHE "$pattern" "$@" | grep -vE '^[^:]+:[0-9]+:[[:space:]]*//'; then
      found=1
    fi
  done
  return $found
}

if [[ ${1:-} == --self-test ]]; then
  sample=$(mktemp)
  trap 'rm -f "$sample"' EXIT
  bad=(
    '    const int32_t code = panel[72];'
    '    slot201Active = slot::read<201>(panel) != 0;'
    'inline constexpr int32_t kPanelSignalCode = 72;'
    '    if (*slot != 201 && *slot != 231) {'
    '        case 520:'
    '    {52, &CCabrix::activeLamp},'
    '    {0, "Sentrel", "normal lamp", true},'
    '    for (int32_t panel : {201, 75, 72, 66}) slots.push_back({false, panel});'
    'inline constexpr int32_t kKeyCutOut = 13;'
    '    if (frame.panel[57] != 0) return;'
    'constexpr std::array<int32_t, 3> kTraceSlots = {201, 75, 72};'
    '    if (row.type == 520) return;'
  )
  good=(
    '    const int32_t code = panel[kCabSignalCode];'
    '// Slot 72 carries the code.'
    '    std::array<int32_t, 3> order = {0, 1, 2};'
    '    if (slot < 0) return;'
    '    constexpr int32_t kModeFull = 2;'
    '    int32_t slot = 0;'
    '    static constexpr int32_t kDays[] = {31, 28, 31, 30};'
  )
  for line in "${bad[@]}"; do
    printf '%s\n' "$line" >"$sample"
    if scan "$dispatch_pattern" "$sample" >/dev/null; then
      echo "self-test: not caught: $line" >&2
      exit 1
    fi
  done
  for line in "${good[@]}"; do
    printf '%s\n' "$line" >"$sample"
    if ! scan "$dispatch_pattern" "$sample" >/dev/null; then
      echo "self-test: wrongly caught: $line" >&2
      exit 1
    fi
  done
  echo "contract literal check: self-test passed"
  exit 0
fi

mapfile -t checked < <(files)
mapfile -t dispatching < <(dispatch_files)
if ! scan "" "${checked[@]}" || ! scan "$dispatch_pattern" "${dispatching[@]}"; then
  echo "bare slot, key or beacon numbers above: take them from the cab contract tables by name" >&2
  exit 1
fi
echo "contract literal check: ${#checked[@]} files clean"
