// The decision of a bay change, on tables: every pair of kinds in a
// changed and an unchanged bay, with warm swapping on and off; the floppy
// outside the bays; the order of the steps over several bays.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bay_plan.h"

namespace {

BayStatus Status(std::vector<uint8_t> kinds, uint8_t otherFloppy, uint8_t mask)
{
    BayStatus s = {};
    for (size_t i = 0; i < kinds.size() && i < 5; i++)
        s.Kind[i] = kinds[i];
    s.OtherFloppy = otherFloppy;
    s.ChangeMask = mask;
    return s;
}

std::vector<std::string> Steps(const BayPlan& plan)
{
    std::vector<std::string> steps;
    char text[32];
    for (int i = 0; i < plan.count; i++)
        steps.push_back(DescribeStep(plan.steps[i], text, sizeof text));
    return steps;
}

} // namespace

TEST(BayPlan, EveryKindPairInOneBay)
{
    // Bay 1: port 1, target 0. Kinds: empty, floppy, IDE device, and a kind never acted on.
    const uint8_t kinds[] = {0, 2, 3, 5};
    // What a changed bay asks for, by old and new kind, without and with warm swapping.
    const struct {
        uint8_t before, after;
        const char* cold;
        const char* warm;
    } table[] = {
        {0, 0, "", ""},
        {0, 2, "install floppy", "install floppy"},
        {0, 3, "rescan 1", "rescan 1"},
        {0, 5, "", ""},
        {2, 0, "remove floppy", "remove floppy"},
        {2, 2, "remove floppy,install floppy", "remove floppy,install floppy"},
        {2, 3, "remove floppy", "remove floppy"}, // no rescan: the bay was not empty
        {2, 5, "remove floppy", "remove floppy"},
        {3, 0, "remove 1.0", "remove 1.0"},
        {3, 2, "install floppy", "install floppy"}, // nothing removed
        {3, 3, "", "remove 1.0,rescan 1"},
        {3, 5, "", ""},
        {5, 0, "", ""},
        {5, 2, "install floppy", "install floppy"},
        {5, 3, "", ""},
        {5, 5, "", ""},
    };
    size_t checked = 0;
    for (uint8_t before : kinds) {
        for (uint8_t after : kinds) {
            const auto* row = &table[0];
            while (row->before != before || row->after != after)
                row++;
            for (int warm = 0; warm < 2; warm++) {
                std::string expected = warm ? row->warm : row->cold;
                std::string seen;
                for (const std::string& s : Steps(PlanBayChange(Status({0, before}, 0, 0x02),
                                                               Status({0, after}, 0, 0x02), warm)))
                    seen += (seen.empty() ? "" : ",") + s;
                EXPECT_EQ(expected, seen) << (int)before << " -> " << (int)after << (warm ? " warm" : "");
                // The same change in a bay whose mask bit is clear does nothing.
                EXPECT_EQ(0, PlanBayChange(Status({0, before}, 0, 0x01), Status({0, after}, 0, 0x01), warm).count);
                checked++;
            }
        }
    }
    EXPECT_EQ(32u, checked);
}

TEST(BayPlan, BaysInOrderAndTheFloppyOutsideTheBays)
{
    const struct {
        BayStatus before, after;
        bool warm;
        std::vector<std::string> steps;
    } cases[] = {
        // Removals of all bays first, then the floppy outside leaving, then installs, then it arriving.
        {Status({3, 3, 0, 2}, 1, 0), Status({0, 3, 3, 0}, 0, 0x0F), true,
         {"remove 0.1", "remove 1.0", "remove floppy", "remove floppy", "rescan 1", "rescan 2"}},
        {Status({0, 0, 0, 0}, 0, 0), Status({3, 0, 0, 3}, 1, 0x09), false, {"rescan 0", "rescan 3", "install floppy"}},
        // The floppy outside the bays is looked at whatever the mask.
        {Status({0, 0, 0, 0}, 0, 0), Status({0, 0, 0, 0}, 1, 0), false, {"install floppy"}},
        {Status({0, 0, 0, 0}, 1, 0), Status({0, 0, 0, 0}, 0, 0), false, {"remove floppy"}},
        {Status({0, 0, 0, 0}, 1, 0), Status({0, 0, 0, 0}, 2, 0), false, {}},
        // Only bits 0-3 of the mask name bays; the fifth kind is never acted on.
        {Status({0, 0, 0, 0, 0}, 0, 0), Status({0, 0, 0, 0, 2}, 0, 0xF0), false, {}},
        // No mask bit and an unchanged floppy flag: nothing at all.
        {Status({3, 2, 0, 0}, 1, 0), Status({0, 0, 3, 3}, 1, 0), true, {}},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++)
        EXPECT_EQ(cases[i].steps, Steps(PlanBayChange(cases[i].before, cases[i].after, cases[i].warm))) << "case " << i;
}
