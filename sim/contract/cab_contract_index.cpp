#include "cab_contract_index.h"

#include <algorithm>
#include <array>

#include "cab_contract_text.h"
#include "cabrix/cabrix_contract_text.h"
#include "sentrel/sentrel_contract_text.h"
#include "velorin/velorin_contract_text.h"

namespace cabkit::sim {
namespace {

namespace velorin = contract::velorin;
namespace sentrel = contract::sentrel;
namespace cabrix = contract::cabrix;

// Position of a plug-in in the order the tables are merged and printed.
int32_t rank(contract::Parties parties) {
    for (std::size_t i = 0; i < contract::kParties.size(); ++i) {
        if ((parties & contract::kParties[i]) != 0) return static_cast<int32_t>(i);
    }
    return static_cast<int32_t>(contract::kParties.size());
}

template <typename Row, typename Number, typename Owner>
std::vector<Row> merged(std::initializer_list<std::span<const Row>> tables, Number number, Owner owner) {
    std::vector<Row> rows;
    for (const auto& table : tables) rows.insert(rows.end(), table.begin(), table.end());
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
        return number(a) != number(b) ? number(a) < number(b) : rank(owner(a)) < rank(owner(b));
    });
    return rows;
}

struct Index {
    std::vector<contract::PanelSlot> panel = merged<contract::PanelSlot>(
        {contract::kSharedPanelSlots, velorin::kPanelSlots, sentrel::kPanelSlots, cabrix::kPanelSlots},
        [](const contract::PanelSlot& row) { return row.slot; },
        [](const contract::PanelSlot& row) { return row.writers; });
    std::vector<contract::SoundSlot> sound = merged<contract::SoundSlot>(
        {velorin::kSoundSlots, sentrel::kSoundSlots, cabrix::kSoundSlots},
        [](const contract::SoundSlot& row) { return row.slot; },
        [](const contract::SoundSlot& row) { return row.writer; });
    std::vector<contract::Key> keys = merged<contract::Key>(
        {velorin::kKeys, sentrel::kKeys, cabrix::kKeys}, [](const contract::Key& row) { return row.key; },
        [](const contract::Key& row) { return row.plugin; });
    std::vector<contract::Beacon> beacons = merged<contract::Beacon>(
        {velorin::kBeacons, sentrel::kBeacons}, [](const contract::Beacon& row) { return row.type; },
        [](const contract::Beacon& row) { return row.plugin; });
};

const Index& index() {
    static const Index built;
    return built;
}

}  // namespace

std::span<const contract::PanelSlot> panelSlots() { return index().panel; }
std::span<const contract::SoundSlot> soundSlots() { return index().sound; }
std::span<const contract::Key> keys() { return index().keys; }
std::span<const contract::Beacon> beacons() { return index().beacons; }

std::span<const contract::PanelSlot> ownPanelSlots(contract::Party plugin) {
    switch (plugin) {
        case contract::kVelorin: return velorin::kPanelSlots;
        case contract::kSentrel: return sentrel::kPanelSlots;
        case contract::kCabrix: return cabrix::kPanelSlots;
        default: return {};
    }
}

std::span<const contract::SoundSlot> soundSlotsOf(contract::Party plugin) {
    switch (plugin) {
        case contract::kVelorin: return velorin::kSoundSlots;
        case contract::kSentrel: return sentrel::kSoundSlots;
        case contract::kCabrix: return cabrix::kSoundSlots;
        default: return {};
    }
}

std::span<const contract::Key> keysOf(contract::Party plugin) {
    switch (plugin) {
        case contract::kVelorin: return velorin::kKeys;
        case contract::kSentrel: return sentrel::kKeys;
        case contract::kCabrix: return cabrix::kKeys;
        default: return {};
    }
}

std::span<const contract::Beacon> beaconsOf(contract::Party plugin) {
    switch (plugin) {
        case contract::kVelorin: return velorin::kBeacons;
        case contract::kSentrel: return sentrel::kBeacons;
        default: return {};  // Cabrix reads no beacon
    }
}

std::span<const contract::PanelSlot> sharedPanelSlots() { return contract::kSharedPanelSlots; }
std::span<const cabrix::CabSignalCode> cabSignalCodes() { return cabrix::kCabSignalCodes; }
std::span<const velorin::AtoSignalSpeed> atoSignalSpeeds() { return velorin::kAtoSignalSpeeds; }
std::span<const contract::Setting> settings() { return sentrel::kSettings; }

const contract::PanelSlot* findPanelSlot(int32_t slot) {
    const auto& rows = index().panel;
    const auto it = std::lower_bound(rows.begin(), rows.end(), slot,
                                     [](const contract::PanelSlot& row, int32_t s) { return row.slot < s; });
    return it != rows.end() && it->slot == slot ? &*it : nullptr;
}

const contract::SoundSlot* findSoundSlot(int32_t slot) {
    for (const contract::SoundSlot& row : index().sound) {
        if (row.slot == slot) return &row;
    }
    return nullptr;
}

std::vector<const contract::Key*> findKeys(int32_t key) {
    std::vector<const contract::Key*> found;
    for (const contract::Key& row : index().keys) {
        if (row.key == key) found.push_back(&row);
    }
    return found;
}

std::vector<const contract::Beacon*> findBeacons(int32_t type) {
    std::vector<const contract::Beacon*> found;
    for (const contract::Beacon& row : index().beacons) {
        if (row.type == type) found.push_back(&row);
    }
    return found;
}

const cabrix::CabSignalCode* findCabSignalCode(int32_t code) {
    for (const cabrix::CabSignalCode& row : cabrix::kCabSignalCodes) {
        if (row.code == code) return &row;
    }
    return nullptr;
}

const cabrix::CabSignalCode* codeOfIndicator(int32_t slot) {
    for (const cabrix::CabSignalCode& row : cabrix::kCabSignalCodes) {
        if (row.indicator != nullptr && cabrix::indicatorSlot(row) == slot) return &row;
    }
    return nullptr;
}

const velorin::AtoSignalSpeed& atoSignalSpeed(int32_t cabSignalCode) {
    for (const velorin::AtoSignalSpeed& row : velorin::kAtoSignalSpeeds) {
        if (row.cabSignalCode == cabSignalCode) return row;
    }
    return velorin::kAtoSignalSpeeds.front();
}

// The words of the first table that holds the row, empty words when none does.
template <typename Text, typename... Found>
const Text& firstOf(Found... found) {
    static constexpr Text kNone{};
    for (const Text* text : {found...}) {
        if (text != nullptr) return *text;
    }
    return kNone;
}

const contract::PanelSlotText& wordsOf(const contract::PanelSlot& row) {
    constexpr auto kSlot = &contract::PanelSlot::slot;
    return firstOf<contract::PanelSlotText>(
        contract::textOf(contract::kSharedPanelSlots, contract::kSharedPanelSlotTexts, row, kSlot),
        contract::textOf(velorin::kPanelSlots, velorin::kPanelSlotTexts, row, kSlot),
        contract::textOf(sentrel::kPanelSlots, sentrel::kPanelSlotTexts, row, kSlot),
        contract::textOf(cabrix::kPanelSlots, cabrix::kPanelSlotTexts, row, kSlot));
}

const contract::SoundSlotText& wordsOf(const contract::SoundSlot& row) {
    constexpr auto kSlot = &contract::SoundSlot::slot;
    return firstOf<contract::SoundSlotText>(
        contract::textOf(velorin::kSoundSlots, velorin::kSoundSlotTexts, row, kSlot),
        contract::textOf(sentrel::kSoundSlots, sentrel::kSoundSlotTexts, row, kSlot),
        contract::textOf(cabrix::kSoundSlots, cabrix::kSoundSlotTexts, row, kSlot));
}

const contract::KeyText& wordsOf(const contract::Key& row) {
    constexpr auto kKey = &contract::Key::key;
    return firstOf<contract::KeyText>(contract::textOf(velorin::kKeys, velorin::kKeyTexts, row, kKey),
                                      contract::textOf(sentrel::kKeys, sentrel::kKeyTexts, row, kKey),
                                      contract::textOf(cabrix::kKeys, cabrix::kKeyTexts, row, kKey));
}

const contract::BeaconText& wordsOf(const contract::Beacon& row) {
    constexpr auto kType = &contract::Beacon::type;
    return firstOf<contract::BeaconText>(contract::textOf(velorin::kBeacons, velorin::kBeaconTexts, row, kType),
                                         contract::textOf(sentrel::kBeacons, sentrel::kBeaconTexts, row, kType));
}

const contract::SettingText& wordsOf(const contract::Setting& row) {
    return firstOf<contract::SettingText>(
        contract::textOf(sentrel::kSettings, sentrel::kSettingTexts, row, &contract::Setting::fallback));
}

std::string_view panelLabel(int32_t slot) {
    const contract::PanelSlot* row = findPanelSlot(slot);
    return row != nullptr ? std::string_view(row->label) : std::string_view{};
}

bool isLamp(int32_t slot) {
    const contract::PanelSlot* row = findPanelSlot(slot);
    return row != nullptr && row->display == contract::Display::Lamp;
}

std::string partiesName(contract::Parties parties) {
    std::string name;
    for (const contract::Party party : contract::kParties) {
        if ((parties & party) == 0) continue;
        if (!name.empty()) name += " and ";
        name += contract::partyName(party);
    }
    return name.empty() ? std::string(contract::partyName(contract::kNobody)) : name;
}

}  // namespace cabkit::sim
