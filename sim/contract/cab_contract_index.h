// The cab contract tables of all three plug-ins gathered into one index for
// simhost: every panel slot, sound slot, key and beacon type with its
// meaning, looked up by number. The event log takes its names and
// explanations from here, the reference prints it, and the replays that draw
// the cab find each lamp and display through it.
#ifndef CABKIT_SIM_CAB_CONTRACT_INDEX_H
#define CABKIT_SIM_CAB_CONTRACT_INDEX_H

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cab_contract.h"
#include "cabrix/cabrix_contract.h"
#include "sentrel/sentrel_contract.h"
#include "velorin/velorin_contract.h"

namespace cabkit::sim {

// Every panel slot that someone writes (each plug-in's own slots and the
// exchanged ones, the outside component's included), by slot number.
std::span<const contract::PanelSlot> panelSlots();
// Every sound slot, by slot number.
std::span<const contract::SoundSlot> soundSlots();
// Every key a plug-in handles, by key number, then Velorin, Sentrel, Cabrix.
std::span<const contract::Key> keys();
// Every beacon type a plug-in reads, by type, then Velorin, Sentrel, Cabrix.
std::span<const contract::Beacon> beacons();

// The rows of one plug-in (kVelorin, kSentrel or kCabrix) in the same order;
// panel slots are its own ones, without the exchanged slots.
std::span<const contract::PanelSlot> ownPanelSlots(contract::Party plugin);
std::span<const contract::SoundSlot> soundSlotsOf(contract::Party plugin);
std::span<const contract::Key> keysOf(contract::Party plugin);
std::span<const contract::Beacon> beaconsOf(contract::Party plugin);
// The slots the plug-ins exchange and the outside component writes.
std::span<const contract::PanelSlot> sharedPanelSlots();

// Cabrix: aspect -> code -> permitted speed per mode, one row per code 0..9.
std::span<const contract::cabrix::CabSignalCode> cabSignalCodes();
// Velorin's controller: its speed for each cab-signal code 0..9 in slot 72.
std::span<const contract::velorin::AtoSignalSpeed> atoSignalSpeeds();
// Sentrel's settings file.
std::span<const contract::Setting> settings();

// Lookups; null or empty when the tables do not name the number.
const contract::PanelSlot* findPanelSlot(int32_t slot);
const contract::SoundSlot* findSoundSlot(int32_t slot);
std::vector<const contract::Key*> findKeys(int32_t key);
std::vector<const contract::Beacon*> findBeacons(int32_t type);
const contract::cabrix::CabSignalCode* findCabSignalCode(int32_t code);
// The code whose indicator lamp is this panel slot.
const contract::cabrix::CabSignalCode* codeOfIndicator(int32_t slot);
// Velorin's controller speed for a value of slot 72 (any value not in the
// table gives the row of code 0).
const contract::velorin::AtoSignalSpeed& atoSignalSpeed(int32_t cabSignalCode);

// What the tables say about a row of theirs: its value range, when it is
// written and what it means, and so on. Words for a row no table holds are
// empty.
const contract::PanelSlotText& wordsOf(const contract::PanelSlot& row);
const contract::SoundSlotText& wordsOf(const contract::SoundSlot& row);
const contract::KeyText& wordsOf(const contract::Key& row);
const contract::BeaconText& wordsOf(const contract::Beacon& row);
const contract::SettingText& wordsOf(const contract::Setting& row);

// A panel slot's short label ("" when the tables do not name it) and
// whether it is a lamp (0 dark, 1 lit).
std::string_view panelLabel(int32_t slot);
bool isLamp(int32_t slot);

// "Velorin", "Velorin and Cabrix", "outside component", "nobody".
std::string partiesName(contract::Parties parties);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CAB_CONTRACT_INDEX_H
