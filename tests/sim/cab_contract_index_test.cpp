// The merged index over the plug-ins' contract tables, and the promises the
// tables make to each other across plug-ins.
#include <gtest/gtest.h>

#include <set>

#include "cab_contract_index.h"

namespace cabkit::sim {
namespace {

TEST(CabContractIndex, EveryNumberIsFoundOnceAndInOrder) {
    int32_t previous = -1;
    for (const contract::PanelSlot& row : panelSlots()) {
        EXPECT_LT(previous, row.slot) << row.label;
        EXPECT_EQ(findPanelSlot(row.slot), &row);
        previous = row.slot;
    }
    EXPECT_EQ(findPanelSlot(2), nullptr);
    EXPECT_EQ(panelLabel(72), "cab-signal code");
    EXPECT_TRUE(isLamp(1));
    EXPECT_FALSE(isLamp(75));
    EXPECT_EQ(partiesName(findPanelSlot(249)->writers), "Velorin and Cabrix");
    EXPECT_EQ(partiesName(findPanelSlot(201)->writers), "outside component");

    // Key 0 belongs to two plug-ins; beacon types to one each.
    const auto keyZero = findKeys(0);
    ASSERT_EQ(keyZero.size(), 2U);
    EXPECT_EQ(keyZero[0]->plugin, contract::kVelorin);
    EXPECT_EQ(keyZero[1]->plugin, contract::kSentrel);
    std::set<int32_t> types;
    for (const contract::Beacon& row : beacons()) EXPECT_TRUE(types.insert(row.type).second) << row.type;
    EXPECT_TRUE(findBeacons(7).empty());
}

TEST(CabContractIndex, CodeIndicatorsAndSpeedsAgreeAcrossPlugins) {
    for (const contract::cabrix::CabSignalCode& code : cabSignalCodes()) {
        const int32_t slot = contract::cabrix::indicatorSlot(code);
        if (slot >= 0) {
            EXPECT_TRUE(isLamp(slot)) << code.code;
            EXPECT_EQ(codeOfIndicator(slot), &code);
        }
        // The controller keeps 3 km/h below Cabrix's mode-2 speed for codes
        // 3 and 5 to 8, and 67 against 75 for code 9; it stops for the rest.
        const int32_t ato = atoSignalSpeed(code.code).speed;
        if (code.code == 3 || (code.code >= 5 && code.code <= 8)) {
            EXPECT_EQ(ato, code.permittedModeTwo - 3) << code.code;
        } else if (code.code == 9) {
            EXPECT_EQ(ato, 67);
        } else {
            EXPECT_LT(ato, 0) << code.code;
        }
    }
    EXPECT_EQ(atoSignalSpeed(42).speed, atoSignalSpeed(0).speed);
}

}  // namespace
}  // namespace cabkit::sim
