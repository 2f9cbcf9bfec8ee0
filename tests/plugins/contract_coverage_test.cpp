// The cab contract tables against the built plug-ins: each plug-in, driven
// through its modes, writes exactly the panel and sound slots its table and
// the exchanged slots name, and in the modes the tables say. A write is seen
// by filling every slot with a marker before each frame.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cab_contract.h"
#include "cabrix/cabrix_contract.h"
#include "plugin_library.h"
#include "sentrel/sentrel_contract.h"
#include "velorin/velorin_contract_text.h"

namespace cabkit::test {
namespace {

constexpr int32_t kUnwritten = 0x5A5A5A5A;

// One plug-in on its own arrays; the frames record what it wrote, by the
// mode the caller says it is in.
class Tour {
public:
    explicit Tour(const std::string& name) : plugin_(name) {
        plugin_->Load();
        plugin_->SetVehicleSpec(VehicleSpec{8, 5, 1, 0, 10});
        plugin_->Initialize(0);
    }

    const CabkitPluginTable* operator->() const { return &plugin_.api(); }
    void input(int32_t slot, int32_t value) { inputs_[slot] = value; }

    void frames(int32_t mode, int32_t count, float speed) {
        for (int32_t i = 0; i < count; ++i) {
            arrays_.panel.fill(kUnwritten);
            arrays_.sound.fill(kUnwritten);
            for (const auto& [slot, value] : inputs_) arrays_.panel[static_cast<std::size_t>(slot)] = value;
            plugin_->Elapse(stateAt(timeMs_, speed), arrays_.panel.data(), arrays_.sound.data());
            timeMs_ += 100;
            for (int32_t slot = 0; slot < CABKIT_PANEL_SLOTS; ++slot) {
                const auto it = inputs_.find(slot);
                const int32_t before = it != inputs_.end() ? it->second : kUnwritten;
                if (arrays_.panel[static_cast<std::size_t>(slot)] != before) panel_[mode].insert(slot);
            }
            for (int32_t slot = 0; slot < CABKIT_SOUND_SLOTS; ++slot) {
                if (arrays_.sound[static_cast<std::size_t>(slot)] != kUnwritten) sound_.insert(slot);
            }
        }
    }

    const std::set<int32_t>& panelIn(int32_t mode) { return panel_[mode]; }
    std::set<int32_t> panel() const {
        std::set<int32_t> all;
        for (const auto& [mode, slots] : panel_) all.insert(slots.begin(), slots.end());
        return all;
    }
    const std::set<int32_t>& sound() const { return sound_; }

private:
    PluginLibrary plugin_;
    HostArrays arrays_;
    std::map<int32_t, int32_t> inputs_;
    std::map<int32_t, std::set<int32_t>> panel_;
    std::set<int32_t> sound_;
    int32_t timeMs_ = 36'000'000;
};

template <std::size_t N>
std::set<int32_t> tablePanel(contract::Party plugin, const std::array<contract::PanelSlot, N>& own) {
    std::set<int32_t> slots;
    for (const contract::PanelSlot& row : own) slots.insert(row.slot);
    for (const contract::PanelSlot& row : contract::kSharedPanelSlots) {
        if ((row.writers & plugin) != 0) slots.insert(row.slot);
    }
    return slots;
}

template <std::size_t N>
std::set<int32_t> tableSound(const std::array<contract::SoundSlot, N>& rows) {
    std::set<int32_t> slots;
    for (const contract::SoundSlot& row : rows) slots.insert(row.slot);
    return slots;
}

// The rows whose `written` text says they are left alone in `words`.
template <std::size_t N>
std::set<int32_t> leftIn(const std::array<contract::PanelSlot, N>& rows,
                         const std::array<contract::PanelSlotText, N>& texts, std::string_view words) {
    std::set<int32_t> slots;
    for (std::size_t i = 0; i < N; ++i) {
        if (std::string_view(texts[i].written).find(words) != std::string_view::npos) slots.insert(rows[i].slot);
    }
    return slots;
}

bool disjoint(const std::set<int32_t>& a, const std::set<int32_t>& b) {
    for (int32_t slot : a) {
        if (b.count(slot) != 0) return false;
    }
    return true;
}

const int32_t kTrainStopOff = contract::sharedSlot("train-stop switch-off");

TEST(ContractCoverage, VelorinWritesItsTableInEachMode) {
    namespace table = contract::velorin;
    Tour velorin("Velorin");
    velorin.input(contract::sharedSlot("power permitted"), 1);
    velorin.input(contract::sharedSlot("selector A"), 3);
    velorin.input(contract::sharedSlot("cab-signal code"), 9);
    velorin.frames(0, 5, 0.0F);
    velorin->SetBrake(9);
    velorin->KeyDown(contract::keyNumber(table::kKeys, "mode selector toward 2"));
    velorin.frames(2, 5, 0.0F);
    velorin->KeyDown(contract::keyNumber(table::kKeys, "mode selector toward 1"));
    velorin->KeyDown(contract::keyNumber(table::kKeys, "mode selector toward 1"));
    velorin->SetBrake(0);
    velorin.frames(1, 5, 30.0F);
    velorin->SetBeaconData(BeaconData{contract::beaconType(table::kBeacons, "stop alert"), 0, 0.0F, 0});
    velorin.frames(1, 15, 30.0F);

    EXPECT_EQ(velorin.panel(), tablePanel(contract::kVelorin, table::kPanelSlots));
    EXPECT_EQ(velorin.sound(), tableSound(table::kSoundSlots));
    EXPECT_TRUE(disjoint(velorin.panelIn(0), leftIn(table::kPanelSlots, table::kPanelSlotTexts, "mode 0 leaves it")));
    EXPECT_TRUE(
        disjoint(velorin.panelIn(0), leftIn(table::kPanelSlots, table::kPanelSlotTexts, "modes 0 and 2 leave it")));
    EXPECT_TRUE(
        disjoint(velorin.panelIn(2), leftIn(table::kPanelSlots, table::kPanelSlotTexts, "modes 0 and 2 leave it")));
    EXPECT_EQ(velorin.panelIn(0).count(kTrainStopOff), 1U);
    EXPECT_EQ(velorin.panelIn(1).count(kTrainStopOff) + velorin.panelIn(2).count(kTrainStopOff), 0U);
}

TEST(ContractCoverage, SentrelWritesItsTableOnAndOff) {
    namespace table = contract::sentrel;
    Tour sentrel("Sentrel");
    sentrel.frames(0, 40, 0.0F);
    sentrel.input(kTrainStopOff, 4);
    sentrel.frames(1, 5, 0.0F);
    EXPECT_EQ(sentrel.panel(), tablePanel(contract::kSentrel, table::kPanelSlots));
    EXPECT_EQ(sentrel.panelIn(0), sentrel.panelIn(1));
    EXPECT_EQ(sentrel.sound(), tableSound(table::kSoundSlots));
}

TEST(ContractCoverage, CabrixWritesItsTableInEachMode) {
    namespace table = contract::cabrix;
    Tour cabrix("Cabrix");
    const int32_t modeUp = contract::keyNumber(table::kKeys, "cab-signal mode up");
    cabrix.frames(0, 5, 0.0F);
    cabrix.input(contract::sharedSlot("operating mode"), 2);
    cabrix->SetSignal(table::kCabSignalCodes[9].aspect);
    cabrix.frames(0, 5, 0.0F);
    cabrix->KeyDown(modeUp);
    cabrix.frames(1, 5, 0.0F);
    cabrix->KeyDown(modeUp);
    cabrix.frames(2, 5, 0.0F);
    EXPECT_EQ(cabrix.panel(), tablePanel(contract::kCabrix, table::kPanelSlots));
    EXPECT_EQ(cabrix.sound(), tableSound(table::kSoundSlots));
    // The train stop's switch-off only while the selector is not at 0.
    EXPECT_EQ(cabrix.panelIn(0).count(kTrainStopOff), 0U);
    EXPECT_EQ(cabrix.panelIn(1).count(kTrainStopOff) + cabrix.panelIn(2).count(kTrainStopOff), 2U);
}

}  // namespace
}  // namespace cabkit::test
